// Runs tests under each SHA-1 engine the CPU offers.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "otp/sha1.h"
#include "otp/sha1_engine.h"
#include "support/bytes.h"

namespace velmo {

inline void PrintTo(Sha1Engine engine, std::ostream* out) {
    *out << (engine == Sha1Engine::Avx512 ? "Avx512" : engine == Sha1Engine::ShaNi ? "ShaNi" : "Portable");
}

}  // namespace velmo

namespace velmo::test {

// The digest of `size` bytes as hexadecimal, added `piece` bytes at a time.
inline std::string Sha1Hex(const uint8_t* data, size_t size, size_t piece = SIZE_MAX) {
    Sha1Context ctx;
    Sha1Start(ctx);
    for (size_t at = 0; at < size; at += piece)
        Sha1Add(ctx, data + at, static_cast<uint32_t>(std::min(piece, size - at)));
    uint8_t digest[kSha1DigestSize];
    Sha1Finish(ctx, digest);
    return ToHex(digest, sizeof digest);
}

// Every engine; tests skip those this CPU cannot run.
constexpr Sha1Engine kSha1Engines[] = {Sha1Engine::Portable, Sha1Engine::ShaNi, Sha1Engine::Avx512};

// Selects an engine for a scope and puts the previous one back.
class ScopedSha1Engine {
public:
    explicit ScopedSha1Engine(Sha1Engine engine)
        : previous_(Sha1ActiveEngine()), selected_(Sha1SelectEngine(engine)) {}
    ~ScopedSha1Engine() { Sha1SelectEngine(previous_); }
    ScopedSha1Engine(const ScopedSha1Engine&) = delete;
    ScopedSha1Engine& operator=(const ScopedSha1Engine&) = delete;

    bool Selected() const { return selected_; }

private:
    Sha1Engine previous_;
    bool selected_;
};

inline std::string Sha1EngineName(const ::testing::TestParamInfo<Sha1Engine>& info) {
    return ::testing::PrintToString(info.param);
}

// A test suite parameterised by engine; an engine the CPU cannot run is
// skipped with a note.
class EachSha1Engine : public ::testing::TestWithParam<Sha1Engine> {
protected:
    void SetUp() override {
        engine_.emplace(GetParam());
        if (!engine_->Selected()) GTEST_SKIP() << "this CPU cannot run " << ::testing::PrintToString(GetParam());
    }
    void TearDown() override { engine_.reset(); }

private:
    std::optional<ScopedSha1Engine> engine_;
};

#define VELMO_FOR_EACH_SHA1_ENGINE(suite)                                                      \
    INSTANTIATE_TEST_SUITE_P(Engines, suite, ::testing::ValuesIn(::velmo::test::kSha1Engines), \
                             ::velmo::test::Sha1EngineName)

}  // namespace velmo::test
