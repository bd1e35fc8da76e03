// Objects opened or created through the library, each held by a handle, and
// the directory operations on them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "session.h"

namespace velmo::adap {

inline constexpr size_t kMaxOpenObjects = 4096;
inline constexpr size_t kMaxAttributeNameLength = 256;
inline constexpr size_t kMaxValueLength = 65536;  // characters of one value
inline constexpr size_t kMaxFilterLength = 4096;
inline constexpr size_t kMaxClassNameLength = 256;

struct DirectoryObject {
    std::shared_ptr<Session> session;
    std::wstring dn;
    std::wstring objectClass;  // of a new object
    bool isNew = false;        // not written yet
    // Values to write at the next flush, in the order set (empty: remove).
    std::vector<std::pair<std::wstring, std::wstring>> pending;
    std::vector<uint8_t> pendingSecurityDescriptor;  // raw, empty: none
};

class ObjectTable {
public:
    // The new object's handle, 0 when the table is full.
    uint32_t Add(DirectoryObject object);
    DirectoryObject* Find(uint32_t handle);
    bool Remove(uint32_t handle);

private:
    std::map<uint32_t, DirectoryObject> objects_;
    uint32_t next_ = 1;
};

// Each returns a status. Paths are "LDAP://" paths; account and credential
// may be null (the library's own identity).
uint32_t OpenObject(const wchar_t* path, const wchar_t* account, const uint16_t* credential, DirectoryObject& object);
uint32_t NewObject(const wchar_t* path, const wchar_t* objectClass, const wchar_t* account,
                   const uint16_t* credential, DirectoryObject& object);
uint32_t DeleteObject(const wchar_t* path, const wchar_t* account, const uint16_t* credential);
uint32_t SetValue(DirectoryObject& object, const wchar_t* name, const wchar_t* value);
uint32_t GetValue(DirectoryObject& object, const wchar_t* name, std::wstring& value);
uint32_t Flush(DirectoryObject& object);
// The paths of the object's children that match `filter` (null or empty:
// all), as a list (multi_string.h).
uint32_t ChildPaths(DirectoryObject& object, const wchar_t* filter, std::wstring& list);

// Reads the object's security descriptor value (raw bytes) or queues a new
// one for the next flush.
uint32_t ReadSecurityDescriptor(DirectoryObject& object, std::vector<uint8_t>& descriptor);

}  // namespace velmo::adap
