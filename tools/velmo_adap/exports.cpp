// The library's entries. Each takes the library's lock (callers may come
// from several threads), checks its pointers, and never lets an exception
// out.
#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <mutex>
#include <new>
#include <set>

#include "adap_log.h"
#include "adap_settings.h"
#include "adap_status.h"
#include "directory_object.h"
#include "schema_class.h"
#include "security_descriptor.h"
#include "velmo_adap.h"
#include "wide_text.h"

using namespace velmo::adap;

namespace {

constexpr uint32_t kUnexpected = 0x8000FFFF;
constexpr uint32_t kTooManyObjects = 0x80070004;  // ERROR_TOO_MANY_OPEN_FILES
constexpr size_t kMaxLogPathLength = 32767;

std::mutex libraryLock;
// Never destroyed, like the sessions their objects hold (session.cpp).
ObjectTable& objects = *new ObjectTable;
std::set<void*> buffers;  // handed out and not yet released

std::wstring Subject(const wchar_t* text) {
    const auto bounded = BoundedText(text, kMaxPathLength);
    return bounded ? std::wstring(*bounded) : L"(too long)";
}

template <typename Body>
uint32_t Call(const char* entry, std::wstring_view subject, Body&& body) {
    std::lock_guard guard(libraryLock);
    uint32_t status;
    try {
        status = body();
    } catch (const std::bad_alloc&) {
        status = status::kOutOfMemory;
    } catch (...) {
        status = kUnexpected;
    }
    LogCall(entry, subject, status);
    return status;
}

// A copy of `text` (and a terminating NUL) for the caller, released with
// LDAP_FreeBuffer.
uint32_t HandOut(const std::wstring& text, wchar_t** out) {
    auto* buffer = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, (text.size() + 1) * sizeof(wchar_t)));
    if (!buffer) return status::kOutOfMemory;
    std::memcpy(buffer, text.data(), text.size() * sizeof(wchar_t));
    buffer[text.size()] = L'\0';
    buffers.insert(buffer);
    *out = buffer;
    return status::kOk;
}

uint32_t WithObject(uint32_t handle, auto&& action) {
    DirectoryObject* object = objects.Find(handle);
    return object ? action(*object) : status::kInvalidHandle;
}

uint32_t Keep(DirectoryObject object, uint32_t* handle) {
    *handle = objects.Add(std::move(object));
    return *handle ? status::kOk : kTooManyObjects;
}

uint32_t Children(uint32_t handle, const wchar_t* filter, wchar_t** list, uint64_t* length) {
    if (!list || !length) return status::kPointer;
    *list = nullptr;
    *length = 0;
    return WithObject(handle, [&](DirectoryObject& object) {
        std::wstring paths;
        uint32_t status = ChildPaths(object, filter, paths);
        if (status == status::kOk) status = HandOut(paths, list);
        if (status == status::kOk) *length = paths.size();
        return status;
    });
}

}  // namespace

extern "C" {

uint32_t __stdcall LDAP_IsApplicationPartitionExist(const wchar_t* path, const wchar_t* account,
                                                    const uint16_t* credential) {
    return Call(__func__, Subject(path), [&] {
        DirectoryObject object;
        return OpenObject(path, account, credential, object);
    });
}

uint32_t __stdcall LDAP_SearchChildren(uint32_t handle, const wchar_t* filter, wchar_t** list, uint64_t* length) {
    return Call(__func__, Subject(filter), [&] { return Children(handle, filter, list, length); });
}

uint32_t __stdcall LDAP_GetChildren(uint32_t handle, wchar_t** list, uint64_t* length) {
    return Call(__func__, L"", [&] { return Children(handle, nullptr, list, length); });
}

uint32_t __stdcall LDAP_DeleteObject(const wchar_t* path, const wchar_t* account, const uint16_t* credential) {
    return Call(__func__, Subject(path), [&] { return DeleteObject(path, account, credential); });
}

uint32_t __stdcall LDAP_CreateObject(uint32_t* handle, const wchar_t* path, const wchar_t* objectClass,
                                     const wchar_t* account, const uint16_t* credential) {
    return Call(__func__, Subject(path), [&] {
        if (!handle) return status::kPointer;
        *handle = 0;
        DirectoryObject object;
        const uint32_t status = NewObject(path, objectClass, account, credential, object);
        return status == status::kOk ? Keep(std::move(object), handle) : status;
    });
}

uint32_t __stdcall LDAP_SetVariantAttr(uint32_t handle, const wchar_t* name, const VARIANT* value) {
    return Call(__func__, Subject(name), [&] {
        if (!value) return status::kPointer;
        VARIANT text;
        VariantInit(&text);
        if (value->vt != VT_EMPTY && value->vt != VT_NULL) {
            const HRESULT hr = VariantChangeType(&text, const_cast<VARIANT*>(value), 0, VT_BSTR);
            if (FAILED(hr)) return status::kCannotConvert;
        }
        const uint32_t status = WithObject(handle, [&](DirectoryObject& object) {
            return SetValue(object, name, text.vt == VT_BSTR && text.bstrVal ? text.bstrVal : L"");
        });
        VariantClear(&text);
        return status;
    });
}

uint32_t __stdcall LDAP_SetSecurityDescriptor(uint32_t handle, IDispatch* descriptor) {
    return Call(__func__, L"", [&] {
        if (!descriptor) return status::kPointer;
        return WithObject(handle, [&](DirectoryObject& object) {
            std::vector<uint8_t> raw;
            const uint32_t status = DescriptorBytes(descriptor, raw);
            if (status == status::kOk) object.pendingSecurityDescriptor = std::move(raw);
            return status;
        });
    });
}

uint32_t __stdcall LDAP_GetSecurityDescriptor(uint32_t handle, IDispatch** descriptor) {
    return Call(__func__, L"", [&] {
        if (!descriptor) return status::kPointer;
        *descriptor = nullptr;
        return WithObject(handle, [&](DirectoryObject& object) {
            return DescriptorObject([&](std::vector<uint8_t>& raw) { return ReadSecurityDescriptor(object, raw); },
                                    descriptor);
        });
    });
}

uint32_t __stdcall LDAP_SetAttr(uint32_t handle, const wchar_t* name, const wchar_t* value) {
    return Call(__func__, Subject(name), [&] {
        return WithObject(handle, [&](DirectoryObject& object) { return SetValue(object, name, value); });
    });
}

uint32_t __stdcall LDAP_GetAttr(uint32_t handle, const wchar_t* name, wchar_t** value) {
    return Call(__func__, Subject(name), [&] {
        if (!value) return status::kPointer;
        *value = nullptr;
        return WithObject(handle, [&](DirectoryObject& object) {
            std::wstring text;
            const uint32_t status = GetValue(object, name, text);
            return status == status::kOk ? HandOut(text, value) : status;
        });
    });
}

uint32_t __stdcall LDAP_FindSchemaClass(uint32_t handle, const wchar_t* className) {
    return Call(__func__, Subject(className), [&] {
        return WithObject(handle, [&](DirectoryObject& object) { return FindSchemaClass(object, className); });
    });
}

uint32_t __stdcall LDAP_CloseObject(uint32_t handle) {
    return Call(__func__, L"", [&] { return objects.Remove(handle) ? status::kOk : status::kInvalidHandle; });
}

uint32_t __stdcall LDAP_FlushObject(uint32_t handle) {
    return Call(__func__, L"", [&] { return WithObject(handle, [](DirectoryObject& object) { return Flush(object); }); });
}

uint32_t __stdcall LDAP_OpenObject(uint32_t* handle, const wchar_t* path, const wchar_t* account,
                                   const uint16_t* credential) {
    return Call(__func__, Subject(path), [&] {
        if (!handle) return status::kPointer;
        *handle = 0;
        DirectoryObject object;
        const uint32_t status = OpenObject(path, account, credential, object);
        return status == status::kOk ? Keep(std::move(object), handle) : status;
    });
}

uint32_t __stdcall LDAP_SetLogLevel(uint32_t level) {
    return Call(__func__, L"", [&] {
        SetLogLevel(level);
        return status::kOk;
    });
}

uint32_t __stdcall LDAP_SetLogFile(const wchar_t* path) {
    return Call(__func__, Subject(path), [&] {
        const auto text = BoundedText(path, kMaxLogPathLength);
        if (!text) return status::kInvalidArgument;
        SetLogFile(*text);
        return status::kOk;
    });
}

uint32_t __stdcall LDAP_FreeBuffer(void* buffer) {
    return Call(__func__, L"", [&] {
        if (!buffer) return status::kOk;
        // Only what this library handed out, and only once.
        if (buffers.erase(buffer) == 0) return status::kInvalidArgument;
        HeapFree(GetProcessHeap(), 0, buffer);
        return status::kOk;
    });
}

uint32_t __stdcall LDAP_GetStatusDescription(uint32_t code, wchar_t** text) {
    return Call(__func__, L"", [&] {
        if (!text) return status::kPointer;
        *text = nullptr;
        // The system's messages are by Win32 error.
        const DWORD error = (code & 0xFFFF0000u) == 0x80070000u ? (code & 0xFFFFu) : code;
        wchar_t* system = nullptr;
        const DWORD length = FormatMessageW(
            FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
            0, reinterpret_cast<wchar_t*>(&system), 0, nullptr);
        const std::wstring description = DescribeStatus(code, std::wstring_view(system, system ? length : 0));
        LocalFree(system);
        return HandOut(description, text);
    });
}

void __stdcall ServiceAccountW(HWND, HINSTANCE, wchar_t* commandLine, int) {
    const auto line = BoundedText(commandLine, kMaxAccountLength + kMaxPasswordLength + 8);
    Call(__func__, L"", [&]() -> uint32_t {
        if (!line) return status::kInvalidArgument;
        if (line->find_first_not_of(L' ') == std::wstring_view::npos) return StoreServiceAccount(L"", L"");
        int count = 0;
        wchar_t** words = CommandLineToArgvW(std::wstring(*line).c_str(), &count);
        if (!words) return FromWin32(GetLastError());
        const uint32_t status = count == 2 ? StoreServiceAccount(words[0], words[1]) : status::kInvalidArgument;
        for (int i = 0; i < count; ++i) SecureZeroMemory(words[i], wcslen(words[i]) * sizeof(wchar_t));
        LocalFree(words);
        return status;
    });
}

}  // extern "C"
