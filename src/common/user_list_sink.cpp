#include "common/user_list_sink.h"

namespace velmo {

namespace {
UserListSink* g_sink = nullptr;
}

UserListSink* CurrentUserListSink() { return g_sink; }
void RegisterUserListSink(UserListSink* sink) { g_sink = sink; }

}  // namespace velmo
