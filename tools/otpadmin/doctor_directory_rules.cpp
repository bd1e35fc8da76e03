#include "doctor_directory_rules.h"

#include "common/text.h"
#include "directory/record_names.h"
#include "doctor_network_rules.h"
#include "pki_text.h"

namespace otpadmin::doctor {

int64_t PostedTime(std::u16string_view kvTime, int64_t now) {
    if (kvTime.empty() || kvTime.size() > 8) return 0;
    uint32_t low = 0;
    for (char16_t c : kvTime) {
        const int digit = c >= u'0' && c <= u'9' ? c - u'0' : c >= u'a' && c <= u'f' ? c - u'a' + 10 : -1;
        if (digit < 0) return 0;
        low = low * 16 + static_cast<uint32_t>(digit);
    }
    // The low 32 bits of the time: the nearest such time not after now.
    int64_t posted = (now & ~int64_t{0xFFFFFFFF}) | low;
    if (posted > now) posted -= int64_t{1} << 32;
    return posted;
}

Finding RequestsFinding(const std::vector<EnrolRequest>& requests, int64_t now) {
    size_t unanswered = 0, recent = 0, late = 0;
    int64_t oldest = now, newest = 0;
    for (const auto& r : requests) {
        if (r.replyLength >= velmo::kMinReplyToken) {
            ++late;  // answered after the workstation stopped polling
            continue;
        }
        if (r.posted != 0 && now - r.posted < kRequestInFlightSeconds) continue;
        ++unanswered;
        if (r.posted != 0 && now - r.posted < kRecentRequestSeconds) ++recent;
        if (r.posted != 0 && r.posted < oldest) oldest = r.posted;
        if (r.posted > newest) newest = r.posted;
    }
    const std::string counts = velmo::Format("%zu request(s) in CN=SelfEnrolls: %zu unanswered, %zu answered too late",
                                             requests.size(), unanswered, late);
    if (recent)
        return Fail("requests",
                    counts + velmo::Format(", %zu in the last hour (the newest %s)", recent, UtcText(newest).c_str()),
                    "the domain's OTP service is not answering: start it and check its account's rights on "
                    "CN=SelfEnrolls; meanwhile domain logons use cached secrets or are refused");
    if (unanswered)
        return Warn("requests", counts + ", the oldest " + UtcText(oldest),
                    "the OTP service was down when these were posted; delete the old requests");
    if (late)
        return Warn("requests", counts,
                    "these answers came after the workstation had stopped waiting (about 1.6 s): the service was "
                    "slow or down then; delete the requests");
    return Ok("requests", counts);
}

Finding ServerKeyFinding(std::string_view key) {
    constexpr char kCopyKey[] =
        "copy the OTP service's public key text (service.publickey) into HKLM\\SOFTWARE\\Velmo "
        "\"serverPublicKey\"; until then domain logons at this workstation are refused";
    if (key.empty()) return Fail("server key", "\"serverPublicKey\" is not set", kCopyKey);
    const std::string text(key);
    const auto modulus = velmo::ui::ParseModulus(text.c_str());
    if (text.size() > velmo::ui::kMaxKeyText || !modulus)
        return Fail("server key",
                    velmo::Format("\"serverPublicKey\" of %zu characters is not a key velmo_ui.dll takes", text.size()),
                    kCopyKey);
    return Ok("server key", velmo::Format("\"serverPublicKey\" is an RSA key of %zu bits", modulus->size() * 8));
}

}  // namespace otpadmin::doctor
