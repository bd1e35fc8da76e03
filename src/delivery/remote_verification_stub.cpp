// Placeholder until the HTTP client lands: every remote verification refuses.
#include "common/text.h"
#include "delivery/remote_verification.h"

namespace velmo {

int verifyOTP_Web(const char*, const char*, char* answer, size_t answerSize) {
    CopyText(answer, answerSize, "Remote verification is not available in this build.");
    return kRemoteNetworkError;
}

}  // namespace velmo
