// Where the record scan lists users when asked for the whole list: the
// settings dialog registers its user list here while it is open.
#pragma once

namespace velmo {

class UserListSink {
public:
    virtual ~UserListSink() = default;
    virtual void Clear() = 0;
    virtual void Add(const char* userName) = 0;
};

// The registered sink, or null while no dialog is open.
UserListSink* CurrentUserListSink();
void RegisterUserListSink(UserListSink* sink);

}  // namespace velmo
