// Which SHA-1 block compression runs behind Sha1Compress and CodeGenerator.
// The CPU's SHA extensions (SHA-NI) are used when a CPUID check finds them;
// the portable code is the fallback and gives identical results. Pure code.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#define VELMO_SHA1_SHANI 1
#else
#define VELMO_SHA1_SHANI 0
#endif

namespace velmo {

enum class Sha1Engine { Portable, ShaNi };

// True when the CPU has the SHA extensions plus SSSE3 and SSE4.1.
bool Sha1ShaNiSupported();

// The engine in use: resolved from the CPU check on first use.
Sha1Engine Sha1ActiveEngine();

// For tests and benchmarks, which compare both engines in one process.
// Returns false (and changes nothing) when the CPU cannot run `engine`.
bool Sha1SelectEngine(Sha1Engine engine);

// The compressions themselves. Sha1CompressShaNi only where
// Sha1ShaNiSupported() is true.
void Sha1CompressPortable(uint32_t state[5], const uint8_t* blocks, size_t blockCount);
#if VELMO_SHA1_SHANI
void Sha1CompressShaNi(uint32_t state[5], const uint8_t* blocks, size_t blockCount);
#endif

}  // namespace velmo
