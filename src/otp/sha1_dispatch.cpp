// Picks the SHA-1 compression once per process from a CPUID check.
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
constexpr unsigned kCpuidExtendedFeatures = 7; // subleaf 0, EBX: SHA
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
#endif

// Constant-initialised, so it is valid before any static constructor runs.
// Concurrent first uses all store the same detected value.
constexpr int kUnresolved = -1;
std::atomic<int> g_engine{kUnresolved};

}  // namespace

bool Sha1ShaNiSupported() {
#if VELMO_SHA1_SHANI
    static const bool supported = CpuHasShaNi();
    return supported;
#else
    return false;
#endif
}

Sha1Engine Sha1ActiveEngine() {
    int engine = g_engine.load(std::memory_order_relaxed);
    if (engine == kUnresolved) {
        const int detected = static_cast<int>(Sha1ShaNiSupported() ? Sha1Engine::ShaNi : Sha1Engine::Portable);
        engine = kUnresolved;
        // A selection made meanwhile wins over the detected default.
        if (g_engine.compare_exchange_strong(engine, detected, std::memory_order_relaxed)) engine = detected;
    }
    return static_cast<Sha1Engine>(engine);
}

bool Sha1SelectEngine(Sha1Engine engine) {
    if (engine == Sha1Engine::ShaNi && !Sha1ShaNiSupported()) return false;
    g_engine.store(static_cast<int>(engine), std::memory_order_relaxed);
    return true;
}

void Sha1Compress(uint32_t state[5], const uint8_t* blocks, size_t blockCount) {
#if VELMO_SHA1_SHANI
    if (Sha1ActiveEngine() == Sha1Engine::ShaNi) {
        Sha1CompressShaNi(state, blocks, blockCount);
        return;
    }
#endif
    Sha1CompressPortable(state, blocks, blockCount);
}

}  // namespace velmo
