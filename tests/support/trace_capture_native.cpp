// Native builds of the pure code trace into memory (the pure code traces
// narrow text only).
#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "common/trace.h"
#include "support/trace_capture.h"

namespace velmo {

namespace {
std::mutex g_mutex;
std::vector<std::string> g_lines;
}  // namespace

int TraceLog(const char* format, ...) {
    char text[2500];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::lock_guard lock(g_mutex);
    g_lines.emplace_back(text);
    return 0;
}

namespace test {

TraceCapture::TraceCapture() { Clear(); }
TraceCapture::~TraceCapture() = default;

std::vector<std::string> TraceCapture::Lines() const {
    std::lock_guard lock(g_mutex);
    return g_lines;
}

void TraceCapture::Clear() {
    std::lock_guard lock(g_mutex);
    g_lines.clear();
}

}  // namespace test
}  // namespace velmo
