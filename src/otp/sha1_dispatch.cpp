// Picks the SHA-1 engine once per process from a CPUID check.
#include <atomic>

#include "otp/sha1.h"
#include "otp/sha1_engine.h"

#if VELMO_SHA1_SHANI
#include <cpuid.h>
#endif

namespace velmo {

namespace {

#if VELMO_SHA1_SHANI
constexpr unsigned kCpuidFeatures = 1;         // ECX: SSSE3, SSE4.1
constexpr unsigned kCpuidExtendedFeatures = 7; // subleaf 0, EBX: SHA, AVX-512
constexpr unsigned kEcxSsse3 = 1u << 9;
constexpr unsigned kEcxSse41 = 1u << 19;
constexpr unsigned kEbxSha = 1u << 29;

bool CpuHasShaNi() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (static_cast<unsigned>(__get_cpuid_max(0, nullptr)) < kCpuidExtendedFeatures) return false;
    if (!__get_cpuid(kCpuidFeatures, &eax, &ebx, &ecx, &edx)) return false;
    const bool vectorOk = (ecx & kEcxSsse3) && (ecx & kEcxSse41);
    if (!__get_cpuid_count(kCpuidExtendedFeatures, 0, &eax, &ebx, &ecx, &edx)) return false;
    return vectorOk && (ebx & kEbxSha);
}
#else
bool CpuHasShaNi() { return false; }
#endif

#if VELMO_SHA1_AVX512
constexpr unsigned kEcxOsXsave = 1u << 27;  // leaf 1: the OS enabled XGETBV
constexpr unsigned kEbxAvx512F = 1u << 16;  // leaf 7, subleaf 0
constexpr unsigned kEbxAvx512Bw = 1u << 30;
constexpr unsigned kEbxAvx512Vl = 1u << 31;
// XCR0: the OS saves SSE, AVX, the mask registers, the upper halves of
// ZMM0-15 and ZMM16-31.
constexpr unsigned kXcr0Avx512State = (1u << 1) | (1u << 2) | (1u << 5) | (1u << 6) | (1u << 7);

bool CpuHasAvx512() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (static_cast<unsigned>(__get_cpuid_max(0, nullptr)) < kCpuidExtendedFeatures) return false;
    if (!__get_cpuid(kCpuidFeatures, &eax, &ebx, &ecx, &edx) || !(ecx & kEcxOsXsave)) return false;
    unsigned xcr0 = 0, xcr0High = 0;
    __asm__("xgetbv" : "=a"(xcr0), "=d"(xcr0High) : "c"(0));
    if ((xcr0 & kXcr0Avx512State) != kXcr0Avx512State) return false;
    if (!__get_cpuid_count(kCpuidExtendedFeatures, 0, &eax, &ebx, &ecx, &edx)) return false;
    const unsigned wanted = kEbxAvx512F | kEbxAvx512Bw | kEbxAvx512Vl;
    return (ebx & wanted) == wanted;
}
#else
bool CpuHasAvx512() { return false; }
#endif

// Constant-initialised, so it is valid before any static constructor runs.
// Concurrent first uses all store the same detected value.
constexpr int kUnresolved = -1;
std::atomic<int> g_engine{kUnresolved};

}  // namespace

bool Sha1ShaNiSupported() {
    static const bool supported = CpuHasShaNi();
    return supported;
}

bool Sha1Avx512Supported() {
    static const bool supported = CpuHasAvx512();
    return supported;
}

Sha1Engine Sha1ActiveEngine() {
    int engine = g_engine.load(std::memory_order_relaxed);
    if (engine == kUnresolved) {
        const Sha1Engine best = Sha1Avx512Supported() ? Sha1Engine::Avx512
                                : Sha1ShaNiSupported() ? Sha1Engine::ShaNi
                                                       : Sha1Engine::Portable;
        const int detected = static_cast<int>(best);
        engine = kUnresolved;
        // A selection made meanwhile wins over the detected default.
        if (g_engine.compare_exchange_strong(engine, detected, std::memory_order_relaxed)) engine = detected;
    }
    return static_cast<Sha1Engine>(engine);
}

bool Sha1SelectEngine(Sha1Engine engine) {
    if (engine == Sha1Engine::ShaNi && !Sha1ShaNiSupported()) return false;
    if (engine == Sha1Engine::Avx512 && !Sha1Avx512Supported()) return false;
    g_engine.store(static_cast<int>(engine), std::memory_order_relaxed);
    return true;
}

void Sha1Compress(uint32_t state[5], const uint8_t* blocks, size_t blockCount) {
#if VELMO_SHA1_SHANI
    // The 16-lane engine only pays off over many independent messages: one
    // stream of blocks goes to the SHA extensions where the CPU has them.
    const Sha1Engine engine = Sha1ActiveEngine();
    if (engine == Sha1Engine::ShaNi || (engine == Sha1Engine::Avx512 && Sha1ShaNiSupported())) {
        Sha1CompressShaNi(state, blocks, blockCount);
        return;
    }
#endif
    Sha1CompressPortable(state, blocks, blockCount);
}

}  // namespace velmo
