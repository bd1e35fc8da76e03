#include "support/module_trace.h"

#include "support/trace_lines.h"
#include "support/windows_env.h"

namespace velmo::test {

ModuleTrace::ModuleTrace() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    const std::string exePath(exe);
    folder_ = std::string(temp) + "velmo_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder_.c_str(), nullptr);
    PutText(kVelmo, "VelmoPath", folder_);
    path_ = folder_ + "otp_" + exePath.substr(exePath.rfind('\\') + 1) + ".log";
    DeleteFileA(path_.c_str());
}

ModuleTrace::~ModuleTrace() { DeleteFileA(path_.c_str()); }

std::vector<std::string> ModuleTrace::Messages() const {
    std::vector<std::string> out;
    for (const auto& line : SplitLines(ReadWholeFile(path_))) out.push_back(WithoutStamp(line));
    return out;
}

bool ModuleTrace::Contains(const std::string& message) const { return Count(message) > 0; }

size_t ModuleTrace::Count(const std::string& message) const { return CountLine(Messages(), message); }

std::vector<std::string> ModuleTrace::StartingWith(const std::string& prefix) const {
    return LinesStartingWith(Messages(), prefix);
}

}  // namespace velmo::test
