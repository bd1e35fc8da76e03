#include "common/trace_log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <new>
#include <vector>

#include "common/admin_only.h"
#include "common/host_settings.h"
#include "common/text.h"
#include "common/trace.h"
#include "common/win_handles.h"

namespace velmo {

namespace {

constexpr uint32_t kExePathSize = 500;

// Appenders serialise on one byte far beyond any real log content. The lock
// is advisory in effect (no data is ever written there) and is released when
// the line is written or the handle closes.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFF0;

bool LogDisabledIn(SettingsScope scope) { return DisableLogSetting(scope) == 1; }

class AppendLock {
public:
    explicit AppendLock(HANDLE file) : file_(file) {
        overlapped_.OffsetHigh = kLockOffsetHigh;
        locked_ = LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &overlapped_) != FALSE;
    }
    ~AppendLock() {
        if (locked_) UnlockFileEx(file_, 0, 1, 0, &overlapped_);
    }
    AppendLock(const AppendLock&) = delete;
    AppendLock& operator=(const AppendLock&) = delete;

private:
    HANDLE file_;
    OVERLAPPED overlapped_ = {};
    bool locked_ = false;
};

// "%d.%d" of the file version and the four halves of the file date words of
// the host executable; both empty without a version record.
void HostVersionTexts(char (&version)[40], char (&dateWords)[60]) {
    version[0] = dateWords[0] = '\0';
    char exe[kExePathSize + 1] = {};
    if (!GetModuleFileNameA(nullptr, exe, kExePathSize)) return;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(exe, &ignored);
    if (size == 0) return;
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(exe, 0, size, block.data())) return;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &infoSize) || !info ||
        infoSize < sizeof(VS_FIXEDFILEINFO))
        return;
    FormatText(version, sizeof version, "%d.%d", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS));
    FormatText(dateWords, sizeof dateWords, "%d.%d.%d.%d", HIWORD(info->dwFileDateMS), LOWORD(info->dwFileDateMS),
               HIWORD(info->dwFileDateLS), LOWORD(info->dwFileDateLS));
}

// A file created here is for SYSTEM and Administrators only: its lines carry
// the code valid at each attempt.
UniqueFile OpenForAppend(const char* path, DWORD access = GENERIC_READ | GENERIC_WRITE) {
    return UniqueFile(CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, AdminOnlyFile(), OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Created while the library loads, so it exists before any entry point runs.
[[maybe_unused]] CTraceMaker& g_createdAtLoad = GetTraceMaker();

}  // namespace

CTraceMaker::CTraceMaker() : path_{}, limitKb_(kTraceDefaultLimitKb) {}
CTraceMaker::~CTraceMaker() = default;

CTraceMaker& GetTraceMaker() {
    static CTraceMaker* instance = new (std::nothrow) CTraceMaker();
    static CTraceMaker fallback;  // only if the heap was exhausted at first use
    return instance ? *instance : fallback;
}

void CTraceMaker::OpenLog(const char* path, uint32_t limitKb) {
    limitKb_ = limitKb;
    if (LogDisabledIn(SettingsScope::CurrentUser) || LogDisabledIn(SettingsScope::Machine)) {
        if (path && *path) DeleteFileA(path);
        return;
    }
    CopyText(path_, View(path));
    // A file users may read is made private, or, where the platform keeps
    // its access as it is, replaced by a fresh private one.
    Tightening tightening = Tightening::NotNeeded;
    if (path_[0]) {
        UniqueFile file = OpenForAppend(path_, READ_CONTROL | WRITE_DAC);
        if (file) tightening = TightenIfReadableByUsers(file.get(), SE_FILE_OBJECT);
        file.reset();
        if (tightening == Tightening::Failed) DeleteFileA(path_);
    }

    char version[40], dateWords[60];
    HostVersionTexts(version, dateWords);
    WriteLine("\n\n");
    WriteLine("================================================== ");
    TraceLog("============================= (%s, %s, %s)", __DATE__, version, dateWords);
    if (tightening == Tightening::Tightened)
        TraceLog("%s was readable by users: access is now for SYSTEM and Administrators only", path_);
    else if (tightening == Tightening::Failed)
        TraceLog("%s was readable by users: replaced by a file for SYSTEM and Administrators only", path_);
}

void CTraceMaker::WriteLine(const char* text) {
    if (LogDisabledIn(SettingsScope::CurrentUser)) return;
    if (LogDisabledIn(SettingsScope::Machine)) {
        if (path_[0]) DeleteFileA(path_);
        return;
    }
    if (!path_[0]) return;
    UniqueFile file = OpenForAppend(path_);
    if (!file) return;

    char line[kTraceLineBufferSize];
    SYSTEMTIME now;
    GetLocalTime(&now);
    size_t length = FormatText(line, sizeof line, "%2d:%2d : %2d:%3d   ", now.wHour, now.wMinute, now.wSecond,
                               now.wMilliseconds);
    length += CopyText(line + length, sizeof line - length, View(text), kTraceMessageMax);
    length += CopyText(line + length, sizeof line - length, "\r\n");

    AppendLock lock(file.get());
    // Past the limit the old content is dropped and the file starts again.
    // Truncating under the lock is the same as deleting and re-creating the
    // file, but cannot fail while another process holds the file open.
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file.get(), &size) && static_cast<uint64_t>(size.QuadPart) > uint64_t{limitKb_} * 1024) {
        SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
        SetEndOfFile(file.get());
    }
    LARGE_INTEGER zero{};
    SetFilePointerEx(file.get(), zero, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file.get(), line, static_cast<DWORD>(length), &written, nullptr);
}

int TraceLog(const char* format, ...) {
    if (!format) return 0;
    char text[kTraceLineBufferSize];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n < 0) text[0] = '\0';
    text[sizeof text - 1] = '\0';
    GetTraceMaker().WriteLine(text);
    return 0;
}

int TraceLogW(const wchar_t* format, ...) {
    if (!format) return 0;
    wchar_t wide[kTraceLineBufferSize];
    wide[0] = L'\0';
    // The platform's own wide formatter: %s and %ls take wide text, %S and
    // %hs narrow text, as callers on Windows expect. The C99 formatter that
    // the rest of the module uses would read %s as narrow text.
    va_list args;
    va_start(args, format);
    _vsnwprintf(wide, kTraceLineBufferSize - 1, format, args);  // a cut text keeps what fitted
    va_end(args);
    wide[kTraceLineBufferSize - 1] = L'\0';

    // Characters without an ANSI equivalent become the code page's default.
    const int needed = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::vector<char> text(needed > 0 ? static_cast<size_t>(needed) : 1, '\0');
    if (needed > 0) WideCharToMultiByte(CP_ACP, 0, wide, -1, text.data(), needed, nullptr, nullptr);
    text.back() = '\0';
    if (text.size() > kTraceLineBufferSize) text[kTraceLineBufferSize - 1] = '\0';
    GetTraceMaker().WriteLine(text.data());
    return 0;
}

}  // namespace velmo
