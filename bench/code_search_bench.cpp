// What one rejected code costs: the codes of 3,014 counters, computed by the
// precomputed-key generator with each SHA-1 engine and by ComputeCode per
// candidate, beside liboath's oath_totp_validate over the same reach. Prints
// the figures and a summary; speed is never a pass/fail condition here.
#include <benchmark/benchmark.h>
#include <liboath/oath.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "otp/code_generator.h"
#include "otp/otp_code.h"
#include "otp/sha1_engine.h"
#include "summary_reporter.h"

using namespace velmo;

namespace {

// RFC 4226's 20-byte secret, the usual size of an authenticator secret.
constexpr char kSecret[] = "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ";
constexpr int64_t kNow = 1700000000;
constexpr uint32_t kStepSeconds = 30;
constexpr uint32_t kNowStep = static_cast<uint32_t>(kNow / kStepSeconds);

constexpr uint32_t kWindow = 6;        // the window: T - 6 .. T + 6
constexpr uint32_t kWideReach = 1500;  // the wide search: T - i, T + i for i < 1500
constexpr size_t kWindowCodes = 2 * kWindow + 1;
constexpr size_t kWideCodes = 2 * kWideReach;
constexpr size_t kRejectedCodes = 1 + kWindowCodes + kWideCodes;  // 1: the code of T for the trace line
constexpr size_t kLiboathCodes = 2 * kWideReach + 1;              // liboath's window: T - 1500 .. T + 1500
constexpr int kCodeDigits = 6;

// The counters verification tries for one typed code, in its order.
struct SearchLists {
    uint32_t window[kWindowCodes];
    uint32_t wide[kWideCodes];
};

void FillLists(uint32_t t, SearchLists& lists) {
    for (uint32_t i = 0; i < kWindowCodes; ++i) lists.window[i] = t - kWindow + i;
    for (uint32_t i = 0; i < kWideReach; ++i) {
        lists.wide[2 * i] = t - i;
        lists.wide[2 * i + 1] = t + i;
    }
}

// A typed code that no counter we or liboath try gives.
int32_t RejectedCode() {
    static const int32_t code = [] {
        std::vector<bool> taken(kCodeModulus);
        for (uint32_t c = kNowStep - kWideReach; c <= kNowStep + kWideReach; ++c) taken[ComputeCode(kSecret, c)] = true;
        int32_t free = 123456;
        while (taken[free]) ++free;
        return free;
    }();
    return code;
}

enum class Path { Avx512, ShaNi, ShaNiOneByOne, Portable, ComputeCode };

// The engine the module picks on this CPU, taken before any benchmark runs.
Sha1Engine g_detected = Sha1Engine::Portable;

bool SelectEngineFor(Path path, benchmark::State& state) {
    const Sha1Engine engine = path == Path::Avx512     ? Sha1Engine::Avx512
                              : path == Path::Portable ? Sha1Engine::Portable
                              : path == Path::ComputeCode ? g_detected
                                                          : Sha1Engine::ShaNi;
    if (Sha1SelectEngine(engine)) return true;
    state.SkipWithError(engine == Sha1Engine::Avx512 ? "this CPU has no AVX-512" : "this CPU has no SHA extensions");
    return false;
}

// The first position whose code is `typed`, or `count`. The ComputeCode path
// needs no generator.
size_t Search(Path path, const CodeGenerator* generator, const uint32_t* counters, size_t count, int32_t typed) {
    switch (path) {
        case Path::ComputeCode:
            for (size_t i = 0; i < count; ++i)
                if (ComputeCode(kSecret, counters[i]) == typed) return i;
            return count;
        case Path::ShaNiOneByOne:
            for (size_t i = 0; i < count; ++i)
                if (generator->CodeAt(counters[i]) == typed) return i;
            return count;
        case Path::Avx512:
        case Path::ShaNi:
        case Path::Portable:
            return generator->FindCode(counters, count, typed);
    }
    return count;
}

void BM_WideSearch(benchmark::State& state, Path path) {
    if (!SelectEngineFor(path, state)) return;
    const int32_t typed = RejectedCode();
    const CodeGenerator generator(kSecret);
    SearchLists lists;
    FillLists(kNowStep, lists);
    for (auto _ : state) {
        if (Search(path, &generator, lists.wide, kWideCodes, typed) != kWideCodes) {
            state.SkipWithError("the rejected code matched a counter");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kWideCodes));
}

// One rejected code as verification spends it: the key set up, the code of T
// for the trace line, the window around T, then the wide search.
void BM_RejectedCode(benchmark::State& state, Path path) {
    if (!SelectEngineFor(path, state)) return;
    const int32_t typed = RejectedCode();
    for (auto _ : state) {
        std::optional<CodeGenerator> generator;
        if (path != Path::ComputeCode) generator.emplace(kSecret);
        SearchLists lists;
        FillLists(kNowStep, lists);
        benchmark::DoNotOptimize(generator ? generator->CodeAt(kNowStep) : ComputeCode(kSecret, kNowStep));
        const CodeGenerator* g = generator ? &*generator : nullptr;
        if (Search(path, g, lists.window, kWindowCodes, typed) != kWindowCodes ||
            Search(path, g, lists.wide, kWideCodes, typed) != kWideCodes) {
            state.SkipWithError("the rejected code matched a counter");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kRejectedCodes));
}

void BM_RejectedCodeLiboath(benchmark::State& state) {
    uint8_t key[kMaxSecretBytes];
    const int32_t keyLength = DecodeSecret(kSecret, key);
    std::string typed = std::to_string(RejectedCode());
    typed.insert(0, kCodeDigits - typed.size(), '0');
    for (auto _ : state) {
        const int result = oath_totp_validate(reinterpret_cast<const char*>(key), static_cast<size_t>(keyLength), kNow,
                                              kStepSeconds, 0, kWideReach, typed.c_str());
        if (result != OATH_INVALID_OTP) {
            state.SkipWithError(result >= 0 ? "liboath matched the rejected code" : oath_strerror(result));
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kLiboathCodes));
}

BENCHMARK_CAPTURE(BM_WideSearch, CodeGenerator_Avx512, Path::Avx512);
BENCHMARK_CAPTURE(BM_WideSearch, CodeGenerator_ShaNi, Path::ShaNi);
BENCHMARK_CAPTURE(BM_WideSearch, CodeGenerator_ShaNi_OneByOne, Path::ShaNiOneByOne);
BENCHMARK_CAPTURE(BM_WideSearch, CodeGenerator_Portable, Path::Portable);
BENCHMARK_CAPTURE(BM_WideSearch, ComputeCode, Path::ComputeCode);
BENCHMARK_CAPTURE(BM_RejectedCode, CodeGenerator_Avx512, Path::Avx512)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_RejectedCode, CodeGenerator_ShaNi, Path::ShaNi)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_RejectedCode, CodeGenerator_Portable, Path::Portable)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_RejectedCode, ComputeCode, Path::ComputeCode)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RejectedCodeLiboath)->Unit(benchmark::kMicrosecond);

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

constexpr double kTargetRejectedMicroseconds = 50;
constexpr double kTargetSpeedupOverLiboath = 20;

const char* EngineName(Sha1Engine engine) {
    return engine == Sha1Engine::Avx512 ? "AVX-512" : engine == Sha1Engine::ShaNi ? "SHA-NI" : "portable";
}

// One row: ns per code in the wide search, us per rejected code, and
// liboath's time over ours; "-" where a figure did not run.
void PrintRow(const char* label, double perCodeSeconds, double rejectedSeconds, double oathSeconds) {
    char perCode[16] = "-", rejected[16] = "-", ratio[16] = "-";
    if (perCodeSeconds >= 0) std::snprintf(perCode, sizeof perCode, "%.1f", perCodeSeconds * 1e9);
    if (rejectedSeconds >= 0) std::snprintf(rejected, sizeof rejected, "%.1f", rejectedSeconds * 1e6);
    if (rejectedSeconds > 0 && oathSeconds >= 0)
        std::snprintf(ratio, sizeof ratio, "%.1fx", oathSeconds / rejectedSeconds);
    std::printf("  %-38s %10s %12s %10s\n", label, perCode, rejected, ratio);
}

void PrintSummary(const bench::SummaryReporter& r) {
    const double oath = r.Seconds("BM_RejectedCodeLiboath");
    std::printf("\nSummary: CPU time (median when repeated)%s\n",
                kSanitized ? " -- SANITIZED BUILD, figures not representative: use scripts/bench.sh" : "");
    std::printf("This CPU: SHA extensions %s, AVX-512 %s; the module picks %s\n", Sha1ShaNiSupported() ? "yes" : "no",
                Sha1Avx512Supported() ? "yes" : "no", EngineName(g_detected));
    std::printf("  %-38s %10s %12s %10s\n", "", "ns/code", "us/rejected", "liboath/");
    std::printf("  %-38s %10s %12s %10s\n", "", "(wide)", "code", "ours");
    const struct {
        const char* label;
        const char* name;  // after BM_WideSearch/ and BM_RejectedCode/
    } rows[] = {{"CodeGenerator, AVX-512 (16 lanes)", "CodeGenerator_Avx512"},
                {"CodeGenerator, SHA-NI (4 interleaved)", "CodeGenerator_ShaNi"},
                {"CodeGenerator, SHA-NI, one by one", "CodeGenerator_ShaNi_OneByOne"},
                {"CodeGenerator, portable", "CodeGenerator_Portable"},
                {"ComputeCode per candidate", "ComputeCode"}};
    const std::string wide = "BM_WideSearch/", rejected = "BM_RejectedCode/";
    for (const auto& row : rows) {
        const double perCode = r.Seconds(wide + row.name);
        PrintRow(row.label, perCode < 0 ? -1 : perCode / kWideCodes, r.Seconds(rejected + row.name), oath);
    }
    PrintRow("liboath oath_totp_validate", oath < 0 ? -1 : oath / kLiboathCodes, oath, oath);
    std::printf("ns/code over the wide search's %zu counters (liboath: its %zu); a rejected code is %zu codes\n",
                kWideCodes, kLiboathCodes, kRejectedCodes);
    std::printf("Targets: a rejected code <= %.0f us, >= %.0fx faster than liboath\n", kTargetRejectedMicroseconds,
                kTargetSpeedupOverLiboath);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (oath_init() != OATH_OK) {
        std::fprintf(stderr, "oath_init failed\n");
        return 1;
    }
    g_detected = Sha1ActiveEngine();
    bench::SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    Sha1SelectEngine(g_detected);
    PrintSummary(reporter);
    oath_done();
    benchmark::Shutdown();
    return 0;
}
