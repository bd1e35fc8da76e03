// On Windows the real trace log writes to a scratch file that is read back.
#include <windows.h>

#include "common/trace_log.h"
#include "support/trace_capture.h"
#include "support/trace_lines.h"
#include "support/windows_env.h"

namespace velmo::test {

TraceCapture::TraceCapture() : path_(ScratchFilePath("trace")) {
    DeleteFileA(path_.c_str());
    GetTraceMaker().OpenLog(path_.c_str(), 300);
    Clear();
}

TraceCapture::TraceCapture(OfDll) {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    const std::string folder = ScratchFilePath("dll") + "\\", name = exe;
    CreateDirectoryA(folder.c_str(), nullptr);
    PutText(kVelmo, "VelmoPath", folder);
    path_ = folder + "otp_" + name.substr(name.rfind('\\') + 1) + ".log";
}

TraceCapture::~TraceCapture() {
    GetTraceMaker().OpenLog("", 300);
    DeleteFileA(path_.c_str());
}

std::vector<std::string> TraceCapture::Lines() const { return TraceMessages(path_); }

void TraceCapture::Clear() {
    // Truncate rather than delete: the trace log keeps its path.
    HANDLE h = CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

}  // namespace velmo::test
