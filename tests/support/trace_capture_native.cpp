// Native builds of the pure code trace into memory.
#include <cstdarg>
#include <cstdio>
#include <cwchar>
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

int TraceLogW(const wchar_t* format, ...) {
    wchar_t wide[2500];
    wide[0] = L'\0';
    va_list args;
    va_start(args, format);
    std::vswprintf(wide, 2500, format, args);
    va_end(args);
    std::string text;
    for (const wchar_t* p = wide; *p; ++p) text.push_back(*p < 0x100 ? static_cast<char>(*p) : '?');
    std::lock_guard lock(g_mutex);
    g_lines.push_back(text);
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
