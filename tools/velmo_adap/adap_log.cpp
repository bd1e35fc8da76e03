#include "adap_log.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "common/win_handles.h"

namespace velmo::adap {

namespace {

uint32_t logLevel = 0;
std::wstring logFile;

std::string Utf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

}  // namespace

void SetLogLevel(uint32_t level) { logLevel = level; }

void SetLogFile(std::wstring_view path) { logFile.assign(path); }

void LogCall(const char* entry, std::wstring_view subject, uint32_t status) {
    if (logFile.empty() || logLevel == 0 || (logLevel == 1 && status == 0)) return;
    UniqueFile file(CreateFileW(logFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u ", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    char result[32];
    std::snprintf(result, sizeof result, " 0x%08X\r\n", static_cast<unsigned>(status));
    const std::string line = stamp + std::string(entry) + " " + Utf8(subject) + result;
    DWORD written = 0;
    WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace velmo::adap
