#include "common/secure_wipe.h"

namespace velmo {

void SecureWipe(void* data, size_t size) {
    volatile unsigned char* byte = static_cast<volatile unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) byte[i] = 0;
}

}  // namespace velmo
