// Clears memory that held a secret in a way the compiler cannot drop as a
// dead store. Pure code.
#pragma once

#include <cstddef>

namespace velmo {

inline void WipeMemory(void* data, size_t size) {
    if (!data) return;
    volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
    while (size--) *p++ = 0;
}

}  // namespace velmo
