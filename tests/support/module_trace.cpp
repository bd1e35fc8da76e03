#include "support/module_trace.h"

#include <algorithm>

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
    for (const auto& line : SplitLines(ReadWholeFile(path_))) out.push_back(line.size() > 17 ? line.substr(17) : "");
    return out;
}

bool ModuleTrace::Contains(const std::string& message) const { return Count(message) > 0; }

size_t ModuleTrace::Count(const std::string& message) const {
    const auto all = Messages();
    return static_cast<size_t>(std::count(all.begin(), all.end(), message));
}

std::vector<std::string> ModuleTrace::StartingWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& m : Messages())
        if (m.compare(0, prefix.size(), prefix) == 0) out.push_back(m);
    return out;
}

}  // namespace velmo::test
