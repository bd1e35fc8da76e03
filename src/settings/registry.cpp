#include "settings/registry.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/admin_only.h"
#include "common/text.h"
#include "common/trace.h"
#include "common/trace_mask.h"
#include "common/win_handles.h"
#include "settings/hex.h"
#include "settings/key_cache.h"
#include "settings/password.h"
#include "settings/protected_value.h"
#include "settings/value_forms.h"

namespace velmo {

static_assert(kRegKindText == REG_SZ && kRegKindBinary == REG_BINARY && kRegKindDword == REG_DWORD);

namespace {

HKEY RootKey(RegRoot root) { return root == RegRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

// Opens a key to read: the 32-bit view first, then the default view with
// `fallbackAccess`. HKEY_CURRENT_USER's Software key is shared by both views,
// so a miss there is not asked again. Returns the open error of the last attempt.
LONG OpenForRead(RegRoot root, const char* path, REGSAM fallbackAccess, RegKey& key) {
    LONG rc = OpenKey(RootKey(root), path, KEY_READ | KEY_WOW64_32KEY, key);
    if (rc != ERROR_SUCCESS && root != RegRoot::CurrentUser) rc = OpenKey(RootKey(root), path, fallbackAccess, key);
    return rc;
}

// Opens a key to write where it already is (32-bit view, then default view),
// else creates it in the 32-bit view (then the default view).
LONG OpenForWrite(RegRoot root, const char* path, DWORD createOptions, RegKey& key) {
    const HKEY base = RootKey(root);
    LONG rc = OpenKey(base, path, KEY_ALL_ACCESS | KEY_WOW64_32KEY, key);
    if (rc == ERROR_SUCCESS) return rc;
    rc = OpenKey(base, path, KEY_ALL_ACCESS, key);
    if (rc == ERROR_SUCCESS) return rc;
    // The records' key, created here before InitLibrary made it, gets its
    // administrators-only access all the same.
    SECURITY_ATTRIBUTES* security = _stricmp(path, kOtpModuleKey) == 0 ? AdminOnlyKey() : nullptr;
    rc = CreateKey(base, path, createOptions, KEY_ALL_ACCESS | KEY_WOW64_32KEY, key, security);
    if (rc == ERROR_SUCCESS) return rc;
    return CreateKey(base, path, createOptions, KEY_ALL_ACCESS, key, security);
}

bool HasArguments(const char* path, const char* name) { return path && name; }

}  // namespace

std::string ReadRegString(RegRoot root, const char* path, const char* name) {
    if (!HasArguments(path, name)) return {};
    RegKey key;
    LONG rc = OpenForRead(root, path, KEY_READ, key);
    std::vector<char> data(kReadStringQuerySize + 1, 0);
    DWORD type = 0;
    DWORD size = kReadStringQuerySize;
    if (rc == ERROR_SUCCESS)
        rc = RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    else
        size = 0;
    if (rc != ERROR_SUCCESS || size > kReadStringMaxStored) {
        TraceLog("Err ReadReg %s %X %X", name, static_cast<unsigned>(rc), static_cast<unsigned>(size));
        return {};
    }

    std::string text;
    if (type == REG_DWORD) {
        uint32_t number = 0;
        std::memcpy(&number, data.data(), sizeof number);
        text = Format("%lu", static_cast<unsigned long>(number));
    } else {
        text.assign(data.data(), BoundedLength(data.data(), size));
    }

    if (IsProtectedName(name)) {
        if (auto plain = DecryptProtectedText(text))
            text = std::move(*plain);
        else
            TraceLog("ReadReg '%s' DecryptBuffer fail", name);  // a value kept in plain text reads as it stands
    }
    return text;
}

char* ReadRegText(RegRoot root, const char* path, const char* name, char* buffer, uint32_t size) {
    if (!buffer) return nullptr;
    if (size == 0) return buffer;
    std::memset(buffer, 0, size);
    // At most size - 3 bytes are queried, so at most size - 4 characters stay.
    if (size < 4 || !HasArguments(path, name)) return buffer;
    const uint32_t room = size - 3;

    RegKey key;
    if (OpenForRead(root, path, KEY_READ, key) != ERROR_SUCCESS) return buffer;
    DWORD type = 0;
    DWORD got = room;
    const LONG rc = RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &got);
    if (rc == ERROR_SUCCESS && type == REG_DWORD) {
        int32_t number = 0;
        std::memcpy(&number, buffer, std::min<size_t>(got, sizeof number));
        FormatText(buffer, size, "%d", number);
    } else if (rc == ERROR_MORE_DATA) {
        std::memset(buffer, 0, size);
        if (got < kReadTextMaxNeeded) {
            std::vector<char> whole(got + 1, 0);
            DWORD wholeSize = got;
            if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(whole.data()), &wholeSize) ==
                ERROR_SUCCESS) {
                std::memcpy(buffer, whole.data(), std::min<size_t>(room, wholeSize));
                buffer[size - 4] = '\0';
            }
        }
    } else if (rc != ERROR_SUCCESS) {
        std::memset(buffer, 0, size);
    }
    // A stored text without its terminator is still terminated: the buffer
    // was zeroed and the query never fills past size - 3.
    return buffer;
}

std::string ReadRegText(RegRoot root, const char* path, const char* name, uint32_t size) {
    std::string text(size, '\0');
    ReadRegText(root, path, name, text.data(), size);
    return text.c_str();
}

uint32_t ReadRegDword(RegRoot root, const char* path, const char* name, uint32_t defaultValue) {
    if (!HasArguments(path, name)) return defaultValue;
    RegKey key;
    if (OpenForRead(root, path, KEY_ALL_ACCESS, key) != ERROR_SUCCESS) return defaultValue;
    char data[kReadDwordQuerySize + 1] = {};
    DWORD type = 0;
    DWORD size = kReadDwordQuerySize;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
        return defaultValue;

    return NumberFromValue(type, reinterpret_cast<const uint8_t*>(data), size, defaultValue);
}

uint32_t ReadRegBinary(RegRoot root, const char* path, const char* name, uint8_t* buffer, uint32_t* size) {
    if (!size) return 0;
    if (!HasArguments(path, name)) {
        *size = 0;
        return 0;
    }
    RegKey key;
    LONG rc = OpenForRead(root, path, KEY_ALL_ACCESS, key);
    DWORD type = 0;
    DWORD got = buffer ? *size : 0;
    if (rc == ERROR_SUCCESS) rc = RegQueryValueExA(key.get(), name, nullptr, &type, buffer, &got);
    if (!buffer) {
        *size = rc == ERROR_SUCCESS ? got : 0;
        return *size;
    }
    if (rc != ERROR_SUCCESS) {
        TraceLog("ReadReg lpbyte failed %X %s %s", static_cast<unsigned>(rc), path, name);
        *size = 0;
        return 0;
    }
    *size = got;
    if (type != REG_SZ) return got;

    *size = BytesFromHexValue(buffer, got);  // bytes kept as hexadecimal text
    TraceLog("ReadReg HEX %s", Masked(HexEncode(buffer, static_cast<int32_t>(*size))));  // a data block may be secret
    return *size;
}

long ReadRegRaw(RegRoot root, const char* path, const char* name, uint8_t* buffer, uint32_t* size) {
    if (!HasArguments(path, name) || !size) return kRegKeyUnavailable;
    RegKey key;
    if (OpenKey(RootKey(root), path, KEY_QUERY_VALUE | KEY_WOW64_32KEY, key) != ERROR_SUCCESS &&
        OpenKey(RootKey(root), path, KEY_ALL_ACCESS, key) != ERROR_SUCCESS)
        return kRegKeyUnavailable;
    // Without a buffer there is no room at all: never let the query report a
    // size as bytes read.
    uint8_t none = 0;
    DWORD got = buffer ? *size : 0;
    const LONG rc = RegQueryValueExA(key.get(), name, nullptr, nullptr, buffer ? buffer : &none, &got);
    *size = got;
    return rc;
}

bool WriteRegString(RegRoot root, const char* path, const char* name, const char* text, TextProtection protection) {
    if (!HasArguments(path, name)) return false;
    RegKey key;
    const DWORD options = std::strstr(path, "Volatile") ? REG_OPTION_VOLATILE : REG_OPTION_NON_VOLATILE;
    LONG rc = OpenForWrite(root, path, options, key);
    if (rc != ERROR_SUCCESS) return false;
    if (!text) return RegDeleteValueA(key.get(), name) == ERROR_SUCCESS;

    std::string stored = text;
    if (protection == TextProtection::ByName && IsProtectedName(name)) {
        uint8_t salt[kProtectedSaltSize] = {};
        CPassword().FillRandom(salt, sizeof salt);
        stored = EncryptProtectedText(text, salt);
        if (stored.empty()) {
            // Never fall back to storing a protected value in plain text.
            TraceLog("WriteReg-s failed %X %s %s", static_cast<unsigned>(ERROR_INVALID_DATA), path, name);
            return false;
        }
    }
    rc = RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(stored.c_str()),
                        static_cast<DWORD>(stored.size() + 1));
    if (rc != ERROR_SUCCESS) TraceLog("WriteReg-s failed %X %s %s", static_cast<unsigned>(rc), path, name);
    return rc == ERROR_SUCCESS;
}

void WriteRegBinary(RegRoot root, const char* path, const char* name, const uint8_t* bytes, uint32_t count) {
    if (!HasArguments(path, name)) return;
    RegKey key;
    LONG rc = OpenForWrite(root, path, REG_OPTION_NON_VOLATILE, key);
    if (!bytes) {  // a delete reports nothing
        if (rc == ERROR_SUCCESS) RegDeleteValueA(key.get(), name);
        return;
    }
    if (rc == ERROR_SUCCESS) rc = RegSetValueExA(key.get(), name, 0, REG_BINARY, bytes, count);
    if (rc != ERROR_SUCCESS) TraceLog("WriteReg failed %X %s %s", static_cast<unsigned>(rc), path, name);
}

bool WriteRegDword(RegRoot root, const char* path, const char* name, uint32_t value) {
    if (!HasArguments(path, name)) return false;
    RegKey key;
    if (OpenForWrite(root, path, REG_OPTION_NON_VOLATILE, key) != ERROR_SUCCESS) return false;
    const DWORD number = value;
    return RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number) ==
           ERROR_SUCCESS;
}

bool EnsureAdminOnlyKey(RegRoot root, const char* path) {
    if (!path) return false;
    UniqueHkey key;
    if (RegCreateKeyExA(RootKey(root), path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                        AdminOnlyKey(), key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    // A key made earlier (by an older version, an import, an installer) keeps
    // its access unless users may read it.
    switch (TightenIfReadableByUsers(key.get(), SE_REGISTRY_KEY)) {
        case Tightening::Tightened:
            TraceLog("%s was readable by users: access is now for SYSTEM and Administrators only", path);
            break;
        case Tightening::Failed:
            TraceLog("%s is readable by users and its access could not be changed", path);
            break;
        case Tightening::NotNeeded:
            break;
    }
    return true;
}

bool EnumerateRegValuesWith(RegRoot root, const char* path, bool (*visit)(const RegValueInfo&, void*), void* context) {
    if (!path || !visit) return false;
    UniqueHkey key;
    if (RegOpenKeyExA(RootKey(root), path, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, key.put()) != ERROR_SUCCESS)
        return false;
    // A hostile key could hold any number of values; stop at a bound far
    // above any real configuration.
    constexpr DWORD kMaxValues = 1000000;
    for (DWORD index = 0; index < kMaxValues; ++index) {
        char name[kEnumNameSize] = {};
        uint8_t data[kEnumDataSize];
        DWORD nameSize = sizeof name;
        DWORD dataSize = sizeof data;
        DWORD type = REG_NONE;
        LONG rc = RegEnumValueA(key.get(), index, name, &nameSize, nullptr, &type, data, &dataSize);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        // A value whose data exceeds the buffer (a replay history, say) is
        // reported too; only its data is not read. Not every registry fills
        // in the name in that case, so ask again for name, type and size.
        if (rc == ERROR_MORE_DATA) {
            nameSize = sizeof name;
            rc = RegEnumValueA(key.get(), index, name, &nameSize, nullptr, &type, nullptr, &dataSize);
        }
        if (rc != ERROR_SUCCESS) continue;
        name[sizeof name - 1] = '\0';
        if (!visit(RegValueInfo{name, type, dataSize}, context)) break;
    }
    return true;
}

}  // namespace velmo
