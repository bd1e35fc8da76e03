// The OTP records under the module key: how many, and which are damaged.
#include <windows.h>

#include <map>

#include "common/text.h"
#include "doctor_checks.h"
#include "doctor_record_rules.h"
#include "otp/record_user.h"
#include "otp/user_record.h"
#include "settings/registry.h"
#include "settings/value_forms.h"

namespace otpadmin::doctor {

namespace {

constexpr size_t kUsersListed = 10;  // names shown for a healthy key

struct ValueSeen {
    uint32_t kind;
    uint32_t size;
};

StoredValue Stored(const std::map<std::string, ValueSeen>& values, const std::string& name) {
    StoredValue v;
    const auto it = values.find(name);
    if (it == values.end()) return v;
    v.present = true;
    v.kind = it->second.kind;
    v.data.resize(it->second.size);
    uint32_t size = it->second.size;
    if (velmo::ReadRegRaw(velmo::RegRoot::LocalMachine, velmo::kOtpModuleKey, name.c_str(), v.data.data(), &size) !=
        ERROR_SUCCESS)
        size = 0;
    v.data.resize(size);
    return v;
}

}  // namespace

void CheckRecords(Context& c) {
    std::map<std::string, ValueSeen> values;
    const bool opened = velmo::EnumerateRegValues(velmo::RegRoot::LocalMachine, velmo::kOtpModuleKey,
                                                  [&](const velmo::RegValueInfo& v) {
                                                      values[v.name] = {v.type, v.dataSize};
                                                      return true;
                                                  });
    if (!opened) {
        c.Add(Warn("records", "no record key: no user has an OTP record", "provision the users (otpadmin provision)"));
        return;
    }
    size_t count = 0;
    std::string names, damaged;
    for (const auto& [name, seen] : values) {
        // The records the module's scan finds, and secrets it passes over
        // because they are empty or not text.
        const auto user = velmo::RecordUserOf(name);
        const bool scanned = seen.kind == velmo::kRegKindText && seen.size >= 2;
        const bool unusableSecret = name.size() > 4 && name.compare(name.size() - 4, 4, velmo::kKeySuffix) == 0;
        if (!user || !(scanned || unusableSecret)) continue;
        ++count;
        StoredRecord r;
        r.user = *user;
        r.key = Stored(values, name);
        const char* u = user->c_str();
        r.counter = Stored(values, velmo::RecordValueName(u, velmo::kCounterSuffix));
        r.step = Stored(values, velmo::RecordValueName(u, velmo::kStepSuffix));
        r.skew = Stored(values, velmo::RecordValueName(u, velmo::kSkewSuffix));
        r.history = Stored(values, velmo::RecordValueName(u, velmo::kHistorySuffix));
        if (values.count(velmo::RecordValueName(u, velmo::kDestinationSuffix))) c.smsUsers = true;
        const int32_t step = TimeStepOf(r);
        if (step > 0) {
            c.totpUsers = true;
            if (step < c.shortestStep) c.shortestStep = step;
        }
        const auto faults = RecordDamage(r);
        std::string list;
        for (const auto& f : faults) list += (list.empty() ? "" : ", ") + f;
        if (!faults.empty()) damaged += velmo::Format("%s%s (%s)", damaged.empty() ? "" : "; ", u, list.c_str());
        if (count <= kUsersListed) names += (names.empty() ? "" : ", ") + *user;
    }
    if (count > kUsersListed) names += ", ...";
    const std::string found = velmo::Format("%zu record(s)%s%s", count, count ? ": " : "", names.c_str());
    if (!damaged.empty())
        c.Add(Fail("records", found + "; damaged: " + damaged,
                   "set the damaged users up again (otpadmin set USER token-otp,SECRET, or provision --replace); "
                   "their logons fail until then"));
    else if (count == 0)
        c.Add(Warn("records", found, "provision the users (otpadmin provision USER)"));
    else
        c.Add(Ok("records", found));
}

}  // namespace otpadmin::doctor
