#include "adap_settings.h"

#include <windows.h>
#include <wincrypt.h>

#include <vector>

#include "adap_status.h"
#include "common/admin_only.h"
#include "common/win_handles.h"

namespace velmo::adap {

namespace {

constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\Velmo\\Adap";
// Longer values are not settings of ours: they are ignored.
constexpr DWORD kMaxValueBytes = 8192;

// A value of the settings key, or nothing when absent, of another type or
// too long.
std::vector<BYTE> ReadValue(HKEY key, const wchar_t* name, DWORD wantedType) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != wantedType ||
        size > kMaxValueBytes)
        return {};
    std::vector<BYTE> data(size + sizeof(wchar_t));
    if (RegQueryValueExW(key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS || type != wantedType)
        return {};
    data.resize(size);
    return data;
}

std::wstring ReadText(HKEY key, const wchar_t* name) {
    const auto data = ReadValue(key, name, REG_SZ);
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

bool ReadSwitch(HKEY key, const wchar_t* name) {
    const auto data = ReadValue(key, name, REG_DWORD);
    return data.size() == sizeof(DWORD) && *reinterpret_cast<const DWORD*>(data.data()) == 1;
}

Secret Unprotect(const std::vector<BYTE>& blob) {
    DATA_BLOB in{static_cast<DWORD>(blob.size()), const_cast<BYTE*>(blob.data())};
    DATA_BLOB out{};
    if (blob.empty() || !CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
        return {};
    Secret secret(std::wstring(reinterpret_cast<const wchar_t*>(out.pbData), out.cbData / sizeof(wchar_t)));
    SecureZeroMemory(out.pbData, out.cbData);
    LocalFree(out.pbData);
    return secret;
}

}  // namespace

Secret& Secret::operator=(const Secret& other) {
    if (this != &other) {
        SecureZeroMemory(text_.data(), text_.size() * sizeof(wchar_t));
        text_ = other.text_;
    }
    return *this;
}

Secret::~Secret() { SecureZeroMemory(text_.data(), text_.size() * sizeof(wchar_t)); }

AdapSettings ReadAdapSettings() {
    AdapSettings settings;
    UniqueHkey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ | KEY_WOW64_32KEY, key.put()) != ERROR_SUCCESS)
        return settings;
    settings.server = ReadText(key.get(), L"Server");
    settings.ldaps = ReadSwitch(key.get(), L"Ldaps");
    settings.allowPlainBind = ReadSwitch(key.get(), L"AllowPlainBind");
    settings.serviceAccount = ReadText(key.get(), L"ServiceAccount");
    if (!settings.serviceAccount.empty())
        settings.servicePassword = Unprotect(ReadValue(key.get(), L"ServicePassword", REG_BINARY));
    return settings;
}

uint32_t StoreServiceAccount(const std::wstring& account, const std::wstring& password) {
    // Any process on the machine can undo the machine-wide protection of the
    // password: only the key's access keeps it from users. A key made before
    // (by an older version, an import) is tightened.
    UniqueHkey key;
    LSTATUS result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0,
                                     KEY_WRITE | WRITE_DAC | KEY_WOW64_32KEY, AdminOnlyKey(), key.put(), nullptr);
    if (result != ERROR_SUCCESS) return FromWin32(result);
    if (TightenIfReadableByUsers(key.get(), SE_REGISTRY_KEY) == Tightening::Failed)
        return FromWin32(ERROR_ACCESS_DENIED);
    if (account.empty()) {
        RegDeleteValueW(key.get(), L"ServiceAccount");
        RegDeleteValueW(key.get(), L"ServicePassword");
        return status::kOk;
    }
    DATA_BLOB in{static_cast<DWORD>(password.size() * sizeof(wchar_t)),
                 reinterpret_cast<BYTE*>(const_cast<wchar_t*>(password.data()))};
    DATA_BLOB out{};
    if (!CryptProtectData(&in, L"velmo_adap", nullptr, nullptr, nullptr,
                          CRYPTPROTECT_LOCAL_MACHINE | CRYPTPROTECT_UI_FORBIDDEN, &out))
        return FromWin32(GetLastError());
    result = RegSetValueExW(key.get(), L"ServicePassword", 0, REG_BINARY, out.pbData, out.cbData);
    LocalFree(out.pbData);
    if (result == ERROR_SUCCESS)
        result = RegSetValueExW(key.get(), L"ServiceAccount", 0, REG_SZ, reinterpret_cast<const BYTE*>(account.c_str()),
                                static_cast<DWORD>((account.size() + 1) * sizeof(wchar_t)));
    return FromWin32(result);
}

}  // namespace velmo::adap
