// Reading a verification service's JSON answer. Pure code.
#pragma once

#include <cstddef>
#include <string_view>

namespace velmo {

constexpr size_t kVerificationAnswerChars = 300;  // the service must answer within these

// kRemoteConfirmed when the first 300 characters of the answer hold a
// "status" member that is true and, after it, a "value" member that is true
// (case ignored, no blank or one blank after the colon); kRemoteNoStatus or
// kRemoteNoValue otherwise. A text scan rather than a JSON parse: a cut
// answer need not parse.
int ScanVerificationAnswer(std::string_view answer);

}  // namespace velmo
