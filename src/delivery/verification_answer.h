// Reading a verification service's JSON answer. Pure code.
#pragma once

#include <string_view>

namespace velmo {

// kRemoteConfirmed when the answer holds a "status" member that is true and,
// after it, a "value" member that is true (case ignored, no blank or one
// blank after the colon); kRemoteNoStatus or kRemoteNoValue otherwise.
// A text scan rather than a JSON parse: answers are cut to 300 characters.
int ScanVerificationAnswer(std::string_view answer);

}  // namespace velmo
