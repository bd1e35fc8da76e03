#include "common/trace_mask.h"

#include <atomic>

namespace velmo {

namespace {

std::atomic<TraceMaskingSource> g_source{nullptr};

}  // namespace

void SetTraceMaskingSource(TraceMaskingSource source) { g_source.store(source); }

bool TraceMaskingOn() {
    const TraceMaskingSource source = g_source.load();
    return source && source();
}

const char* Masked(const char* secret) { return TraceMaskingOn() ? kTraceMark : (secret ? secret : ""); }

const wchar_t* Masked(const wchar_t* secret) { return TraceMaskingOn() ? kTraceMarkW : (secret ? secret : L""); }

std::string MaskedNumber(long long value) { return TraceMaskingOn() ? kTraceMark : std::to_string(value); }

std::string MaskedIn(std::string_view text, std::string_view secret) {
    std::string shown(text);
    if (secret.empty() || !TraceMaskingOn()) return shown;
    for (size_t at = shown.find(secret); at != std::string::npos; at = shown.find(secret, at + sizeof kTraceMark - 1))
        shown.replace(at, secret.size(), kTraceMark);
    return shown;
}

}  // namespace velmo
