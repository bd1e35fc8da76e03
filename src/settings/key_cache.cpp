#include "settings/key_cache.h"

#include <map>
#include <string>
#include <tuple>

namespace velmo {

namespace {

struct KeptKeys {
    std::map<std::tuple<HKEY, std::string, REGSAM>, HKEY> keys;
    ~KeptKeys() {
        for (auto& entry : keys) RegCloseKey(entry.second);
    }
};

thread_local RegistryCallScope* t_scope = nullptr;
thread_local KeptKeys* t_keys = nullptr;

// Key names ignore case.
std::string Folded(const char* path) {
    std::string text(path);
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

constexpr REGSAM kViewFlags = KEY_WOW64_32KEY | KEY_WOW64_64KEY;

}  // namespace

RegistryCallScope::RegistryCallScope() : previous_(t_scope) {
    if (!previous_) t_keys = new KeptKeys;
    t_scope = this;
}

RegistryCallScope::~RegistryCallScope() {
    t_scope = previous_;
    if (!previous_) {
        delete t_keys;
        t_keys = nullptr;
    }
}

LONG OpenKey(HKEY root, const char* path, REGSAM access, RegKey& key) {
    if (!t_keys) {
        HKEY opened = nullptr;
        const LONG rc = RegOpenKeyExA(root, path, 0, access, &opened);
        key.Own(rc == ERROR_SUCCESS ? opened : nullptr);
        return rc;
    }
    const auto id = std::make_tuple(root, Folded(path), access);
    if (const auto it = t_keys->keys.find(id); it != t_keys->keys.end()) {
        key.Borrow(it->second);
        return ERROR_SUCCESS;
    }
    // A child of the kept parent costs one request, the whole path one per
    // component; the parent is opened (and kept) for reading only.
    const std::string_view full(path);
    const size_t slash = full.rfind('\\');
    LONG rc = ERROR_FILE_NOT_FOUND;
    HKEY opened = nullptr;
    RegKey parent;
    if (slash != std::string_view::npos && slash > 0 &&
        OpenKey(root, std::string(full.substr(0, slash)).c_str(), KEY_READ | (access & kViewFlags), parent) ==
            ERROR_SUCCESS)
        rc = RegOpenKeyExA(parent.get(), path + slash + 1, 0, access, &opened);
    if (rc != ERROR_SUCCESS) rc = RegOpenKeyExA(root, path, 0, access, &opened);
    if (rc != ERROR_SUCCESS) {
        key.Own(nullptr);
        return rc;
    }
    t_keys->keys.emplace(id, opened);
    key.Borrow(opened);
    return rc;
}

LONG CreateKey(HKEY root, const char* path, DWORD options, REGSAM access, RegKey& key, SECURITY_ATTRIBUTES* security) {
    HKEY created = nullptr;
    const LONG rc = RegCreateKeyExA(root, path, 0, nullptr, options, access, security, &created, nullptr);
    if (rc != ERROR_SUCCESS) {
        key.Own(nullptr);
        return rc;
    }
    if (!t_keys) {
        key.Own(created);
        return rc;
    }
    const auto [it, inserted] = t_keys->keys.emplace(std::make_tuple(root, Folded(path), access), created);
    if (!inserted) RegCloseKey(created);
    key.Borrow(it->second);
    return rc;
}

}  // namespace velmo
