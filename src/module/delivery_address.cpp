#include "module/delivery_address.h"

#include <windows.h>
#include <lm.h>

#include <memory>
#include <vector>

#include "common/text.h"
#include "directory/directory_ops.h"

namespace velmo {

namespace {

constexpr int kFullNameSize = 190;

struct NetApiFree {
    void operator()(void* p) const { NetApiBufferFree(p); }
};

// The full name of the local account `user`, as ANSI text.
std::string LocalFullName(const std::string& user) {
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, user.c_str(), -1, nullptr, 0);
    if (wideLength <= 0) return {};
    std::vector<wchar_t> wide(static_cast<size_t>(wideLength));
    MultiByteToWideChar(CP_ACP, 0, user.c_str(), -1, wide.data(), wideLength);
    LPBYTE raw = nullptr;
    if (NetUserGetInfo(nullptr, wide.data(), 10, &raw) != NERR_Success) {
        if (raw) NetApiBufferFree(raw);
        return {};
    }
    std::unique_ptr<void, NetApiFree> owner(raw);
    const auto* info = reinterpret_cast<const USER_INFO_10*>(raw);
    if (!info || !info->usri10_full_name) return {};
    char name[kFullNameSize + 1] = {};
    WideCharToMultiByte(CP_ACP, 0, info->usri10_full_name, -1, name, kFullNameSize, nullptr, nullptr);
    return name;
}

}  // namespace

bool LookUpDeliveryAddress(const std::string& user, char* address, size_t size) {
    int result = FindADUser_DomainGroup(user.c_str(), address, size);
    if (result == 0) {
        const std::string fullName = LocalFullName(user);
        if (fullName.size() >= 2) result = FindADUser_DomainGroup(fullName.c_str(), address, size);
    }
    return result != 0;
}

}  // namespace velmo
