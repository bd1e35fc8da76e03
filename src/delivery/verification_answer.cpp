#include "delivery/verification_answer.h"

#include "common/text.h"
#include "delivery/remote_verification.h"

namespace velmo {

namespace {

// Where `member` is true, written "member\": true" or "member\":true".
size_t FindTrueMember(std::string_view answer, std::string_view spaced, std::string_view tight, size_t from = 0) {
    const size_t at = FindNoCase(answer, spaced, from);
    return at != std::string_view::npos ? at : FindNoCase(answer, tight, from);
}

}  // namespace

int ScanVerificationAnswer(std::string_view answer) {
    answer = answer.substr(0, kVerificationAnswerChars);
    const size_t status = FindTrueMember(answer, "status\": true", "status\":true");
    if (status == std::string_view::npos) return kRemoteNoStatus;
    if (FindTrueMember(answer, "value\": true", "value\":true", status) == std::string_view::npos) return kRemoteNoValue;
    return kRemoteConfirmed;
}

}  // namespace velmo
