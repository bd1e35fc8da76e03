// Which SHA-1 code runs behind Sha1Compress and CodeGenerator, chosen by a
// CPUID check: AVX-512 computes 16 codes side by side (a single stream of
// blocks, and batches of a few codes, then go to the SHA extensions where
// the CPU has them); the SHA extensions (SHA-NI) run a few codes
// interleaved; the portable code is the fallback. All give identical
// results. Pure code.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#define VELMO_SHA1_SHANI 1
#else
#define VELMO_SHA1_SHANI 0
#endif

#if defined(__x86_64__)
#define VELMO_SHA1_AVX512 1
#else
#define VELMO_SHA1_AVX512 0
#endif

namespace velmo {

enum class Sha1Engine { Portable, ShaNi, Avx512 };

// True when the CPU has the SHA extensions plus SSSE3 and SSE4.1.
bool Sha1ShaNiSupported();
// True when the CPU has AVX-512 F, BW and VL and the OS saves the 512-bit
// registers across context switches.
bool Sha1Avx512Supported();

// The engine in use: resolved from the CPU check on first use, the first of
// AVX-512, SHA-NI and portable that the CPU runs.
Sha1Engine Sha1ActiveEngine();

// For tests and benchmarks, which compare the engines in one process.
// Returns false (and changes nothing) when the CPU cannot run `engine`.
bool Sha1SelectEngine(Sha1Engine engine);

// The compressions themselves. Sha1CompressShaNi only where
// Sha1ShaNiSupported() is true.
void Sha1CompressPortable(uint32_t state[5], const uint8_t* blocks, size_t blockCount);
#if VELMO_SHA1_SHANI
void Sha1CompressShaNi(uint32_t state[5], const uint8_t* blocks, size_t blockCount);
#endif

}  // namespace velmo
