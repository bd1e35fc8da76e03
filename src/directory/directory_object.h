// Objects opened through the access library: the owner of a handle, the open
// with its one referral retry through a located controller, and the lookup
// of a controller that holds the product's partition.
#pragma once

#include <cstdint>
#include <string>

namespace velmo {

// Owns one access-library handle (0 is none); closes it on reset and at the
// end of its scope.
class DirectoryObjectHandle {
public:
    DirectoryObjectHandle() = default;
    ~DirectoryObjectHandle() { reset(); }
    DirectoryObjectHandle(const DirectoryObjectHandle&) = delete;
    DirectoryObjectHandle& operator=(const DirectoryObjectHandle&) = delete;

    uint32_t get() const { return handle_; }
    // Closes a held handle first; a close the library refuses is reported
    // on standard output and traced.
    void reset(uint32_t handle = 0);

private:
    uint32_t handle_ = 0;
};

// Opens `path` ("LDAP://..."), through the custom or located server and with
// the custom account when there are any; true when `owner` holds the object.
bool OpenDirectoryObject(DirectoryObjectHandle& owner, const std::u16string& path);

// One open of `path` as configured (the custom or located server, the custom
// account), without the referral retry and without touching the offline
// flag: the library's status; `usedPath` receives the path opened.
uint32_t OpenAsConfigured(DirectoryObjectHandle& owner, const std::u16string& path,
                          std::u16string* usedPath = nullptr);

// Finds a controller of the partition `partitionName` ("DC=Velmo,DC=com") for
// directoryServer and the volatile "ldapip" value: 0 or 1 on success, an
// error code otherwise.
uint32_t PrintDCFromAppPartition(const char* partitionName);

}  // namespace velmo
