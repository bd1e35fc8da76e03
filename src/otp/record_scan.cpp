#include "otp/record_scan.h"

#include "common/trace.h"
#include "otp/user_record.h"
#include "settings/registry.h"

namespace velmo {

namespace {

constexpr char kOldRecordName[] = "Key #1";
constexpr uint32_t kRegSz = 1;  // REG_SZ
constexpr size_t kKeySuffixCut = 4;

}  // namespace

void ForEachRecord(const std::function<bool(const OtpRecord&)>& visit) {
    // A record is used while the walk goes on. Verification writes only
    // values of the user it accepts (and then the walk ends) or, remotely,
    // "URL-ret", which a registry appends: earlier indexes never shift.
    EnumerateRegValues(RegRoot::LocalMachine, kOtpModuleKey, [&](const RegValueInfo& value) {
        TraceLog("scan %s %d %d", value.name, static_cast<int>(value.dataSize), static_cast<int>(value.type));
        if (value.type != kRegSz || value.dataSize < 2) return true;
        const std::string_view name(value.name);
        OtpRecord record;
        if (name.find(kKeySuffix) != std::string_view::npos)
            record.userName = name.substr(0, name.size() - kKeySuffixCut);
        else if (name.find(kOldRecordName) != std::string_view::npos)
            record.userName = name;
        else
            return true;
        // The secret is the value found (for "carol_key2" that value, not
        // "carol__key"), read again as verification reads secrets.
        record.secret = ReadRegText(RegRoot::LocalMachine, kOtpModuleKey, value.name, kSecretReadSize);
        return visit(record);
    });
}

std::vector<OtpRecord> ScanRecords() {
    std::vector<OtpRecord> records;
    ForEachRecord([&](const OtpRecord& record) {
        records.push_back(record);
        return true;
    });
    return records;
}

}  // namespace velmo
