// Placeholder until the gateway and script delivery land: nothing is sent.
#include "common/text.h"
#include "delivery/delivery.h"

namespace velmo {

int SendOtpCode(const char*, const char*, const char*, char* status, size_t statusSize) {
    CopyText(status, statusSize, "Network error. Please use troubleshooting logs.");
    return kDeliveryFailed;
}

}  // namespace velmo
