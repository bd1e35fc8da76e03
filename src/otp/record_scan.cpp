#include "otp/record_scan.h"

#include "common/trace.h"
#include "otp/record_user.h"
#include "otp/user_record.h"
#include "settings/registry.h"

namespace velmo {

namespace {

constexpr uint32_t kRegSz = 1;  // REG_SZ

}  // namespace

void ForEachRecord(const std::function<bool(const OtpRecord&)>& visit) {
    // A record is used while the walk goes on. Verification writes only
    // values of the user it accepts (and then the walk ends) or, remotely,
    // "URL-ret", which a registry appends: earlier indexes never shift.
    EnumerateRegValues(RegRoot::LocalMachine, kOtpModuleKey, [&](const RegValueInfo& value) {
        TraceLog("scan %s %d %d", value.name, static_cast<int>(value.dataSize), static_cast<int>(value.type));
        if (value.type != kRegSz || value.dataSize < 2) return true;
        auto user = RecordUserOf(value.name);
        if (!user) return true;
        OtpRecord record;
        record.userName = std::move(*user);
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
