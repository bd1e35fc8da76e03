// Registry keys kept open for the length of one export call. Opening a key
// in the 32-bit view costs a request per path component under Wine, and a
// logon reads a dozen values of the same two keys; within a call each key is
// opened once (as a child of its already open parent) and kept. Values are
// still queried at each use, so another process's changes show at once, and
// a key that could not be opened is never remembered.
#pragma once

#include <windows.h>

#include "common/win_handles.h"

namespace velmo {

// Keeps the keys opened on this thread while it lives (one per export call).
class RegistryCallScope {
public:
    RegistryCallScope();
    ~RegistryCallScope();
    RegistryCallScope(const RegistryCallScope&) = delete;
    RegistryCallScope& operator=(const RegistryCallScope&) = delete;

private:
    RegistryCallScope* previous_;
};

// A key handle, owned (closed when this goes) or kept by the call's scope.
class RegKey {
public:
    HKEY get() const { return owned_ ? owned_.get() : borrowed_; }
    explicit operator bool() const { return get() != nullptr; }
    void Own(HKEY key) { owned_.reset(key), borrowed_ = nullptr; }
    void Borrow(HKEY key) { owned_.reset(), borrowed_ = key; }

private:
    UniqueHkey owned_;
    HKEY borrowed_ = nullptr;
};

// RegOpenKeyExA and RegCreateKeyExA through the call's scope, when there is one.
LONG OpenKey(HKEY root, const char* path, REGSAM access, RegKey& key);
LONG CreateKey(HKEY root, const char* path, DWORD options, REGSAM access, RegKey& key,
               SECURITY_ATTRIBUTES* security = nullptr);

}  // namespace velmo
