#include "doctor_record_rules.h"

#include "common/text.h"
#include "otp/code_check.h"
#include "otp/otp_code.h"
#include "otp/user_record.h"
#include "settings/value_forms.h"

namespace otpadmin::doctor {

namespace {

using velmo::kRegKindBinary;
using velmo::kRegKindDword;
using velmo::kRegKindText;

// The verification path keeps 96 characters of a secret (a 100-byte read).
constexpr size_t kSecretCharsRead = velmo::kSecretReadSize - 4;

uint32_t Number(const StoredValue& v, uint32_t defaultValue) {
    return v.present ? velmo::NumberFromValue(v.kind, v.data.data(), v.data.size(), defaultValue) : defaultValue;
}

const char* KindName(uint32_t kind) {
    switch (kind) {
        case kRegKindText:
            return "text";
        case kRegKindBinary:
            return "binary";
        default:
            return "of another type";
    }
}

void SecretFaults(const StoredValue& key, std::vector<std::string>& faults) {
    if (key.kind != kRegKindText) {
        faults.push_back(velmo::Format("secret stored %s, not as text", KindName(key.kind)));
        return;
    }
    const std::string text(reinterpret_cast<const char*>(key.data.data()),
                           velmo::BoundedLength(reinterpret_cast<const char*>(key.data.data()), key.data.size()));
    uint8_t bytes[velmo::kMaxSecretBytes];
    if (text.empty())
        faults.push_back("empty secret");
    else if (text.size() > kSecretCharsRead)
        faults.push_back(
            velmo::Format("secret of %zu characters, of which the module reads %zu", text.size(), kSecretCharsRead));
    else if (velmo::DecodeSecret(text.c_str(), bytes) < 1)
        faults.push_back("secret is not Base32");
}

// U#, U_step and U_skew are numbers; a text or binary value is read by rules
// that turn many texts into the default.
void NumberFault(const StoredValue& v, const char* what, std::vector<std::string>& faults) {
    if (v.present && v.kind != kRegKindDword)
        faults.push_back(velmo::Format("%s stored as %s", what, KindName(v.kind)));
}

void HistoryFaults(const StoredValue& history, std::vector<std::string>& faults) {
    if (!history.present) return;
    std::vector<uint8_t> bytes = history.data;
    uint32_t size = static_cast<uint32_t>(bytes.size());
    if (history.kind == kRegKindText)
        size = velmo::BytesFromHexValue(bytes.data(), size);
    else if (history.kind != kRegKindBinary) {
        faults.push_back(velmo::Format("history stored %s", KindName(history.kind)));
        return;
    }
    if (size > velmo::kHistoryReadLimit)
        faults.push_back(
            velmo::Format("history of %u bytes cannot be read (at most %u)", size, velmo::kHistoryReadLimit));
    else if (size % 4 != 0)
        faults.push_back(velmo::Format("history of %u bytes, not whole counters", size));
}

}  // namespace

int32_t TimeStepOf(const StoredRecord& record) {
    if (Number(record.counter, 0) != 0) return 0;
    return velmo::EffectiveStep(Number(record.step, velmo::kDefaultStep));
}

std::vector<std::string> RecordDamage(const StoredRecord& record) {
    std::vector<std::string> faults;
    SecretFaults(record.key, faults);
    NumberFault(record.counter, "counter (U#)", faults);
    NumberFault(record.step, "time step", faults);
    NumberFault(record.skew, "skew", faults);
    if (const int32_t step = TimeStepOf(record); step < 0 || step > kMaxSaneStep)
        faults.push_back(velmo::Format("odd time step of %d s", step));
    const uint32_t skew = Number(record.skew, velmo::kSkewNotLearned);
    if (const auto learned = static_cast<int32_t>(skew);
        skew != velmo::kSkewNotLearned && (learned > kMaxLearnedSkew || learned < -kMaxLearnedSkew))
        faults.push_back(velmo::Format("skew of %d steps, beyond what the module learns", learned));
    HistoryFaults(record.history, faults);
    return faults;
}

}  // namespace otpadmin::doctor
