#include "otp/record_scan.h"

#include <cstring>

#include "common/trace.h"
#include "otp/user_record.h"
#include "settings/registry.h"

namespace velmo {

namespace {

constexpr char kOldRecordName[] = "Key #1";
constexpr uint32_t kRegSz = 1;  // REG_SZ
constexpr size_t kKeySuffixCut = 4;

}  // namespace

std::vector<OtpRecord> ScanRecords() {
    // The names are collected first and the secrets read afterwards, so that
    // nothing written while the records are used can shift the enumeration.
    struct Found {
        std::string user, valueName;
    };
    std::vector<Found> found;
    EnumerateRegValues(RegRoot::LocalMachine, kOtpModuleKey, [&](const RegValueInfo& value) {
        TraceLog("scan %s %d %d", value.name, static_cast<int>(value.dataSize), static_cast<int>(value.type));
        if (value.type != kRegSz || value.dataSize < 2) return true;
        const std::string_view name(value.name);
        if (name.find(kKeySuffix) != std::string_view::npos)
            found.push_back({std::string(name.substr(0, name.size() - kKeySuffixCut)), std::string(name)});
        else if (name.find(kOldRecordName) != std::string_view::npos)
            found.push_back({std::string(name), std::string(name)});
        return true;
    });

    // The secret is the value found (for "carol_key2" that value, not
    // "carol__key"), read again as verification reads secrets.
    std::vector<OtpRecord> records;
    records.reserve(found.size());
    for (auto& f : found) {
        char secret[kSecretReadSize];
        ReadRegText(RegRoot::LocalMachine, kOtpModuleKey, f.valueName.c_str(), secret, sizeof secret);
        records.push_back({std::move(f.user), secret});
    }
    return records;
}

}  // namespace velmo
