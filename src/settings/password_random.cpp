#include "common/platform_random.h"
#include "settings/password.h"

namespace velmo {

void CPassword::FillRandom(uint8_t* buffer, uint32_t length) {
    if (buffer && length) FillFromPlatformRandom(buffer, length);
}

}  // namespace velmo
