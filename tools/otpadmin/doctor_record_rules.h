// What makes a stored OTP record damaged, judged from the values as they lie
// in the registry (type and bytes), with the module's own readers of those
// values. Reports name the user and the fault, never a value. Pure code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace otpadmin::doctor {

constexpr int32_t kMaxSaneStep = 3600;     // seconds; tokens use 30 or 60
constexpr int32_t kMaxLearnedSkew = 1499;  // the wide search learns no more

struct StoredValue {
    bool present = false;
    uint32_t kind = 0;          // REG_SZ 1, REG_BINARY 3, REG_DWORD 4, ...
    std::vector<uint8_t> data;  // the bytes as stored
};

struct StoredRecord {
    std::string user;
    StoredValue key, counter, step, skew, history;
};

// The faults of a record ("secret is not Base32", "U# stored as text", ...);
// empty for a sound record.
std::vector<std::string> RecordDamage(const StoredRecord& record);

// The time step the module uses for the record, in seconds; 0 for a
// counter-based record.
int32_t TimeStepOf(const StoredRecord& record);

}  // namespace otpadmin::doctor
