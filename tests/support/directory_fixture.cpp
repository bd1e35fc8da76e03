#include "support/directory_fixture.h"

#include <windows.h>

#include <cstdlib>
#include <fstream>

#include "support/windows_env.h"

namespace velmo::test {

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

std::map<std::string, std::string> DirectoryInstance(const std::string& name) {
    std::ifstream in("Z:" + Env("VELMO_DIRECTORY_DIR") + "/" + name + ".server");
    std::map<std::string, std::string> values;
    for (std::string key, value; in >> key && std::getline(in >> std::ws, value);) values[key] = value;
    return values;
}

bool ChangeDirectoryInstance(const std::string& name, const std::string& action) {
    const std::string dir = Env("VELMO_DIRECTORY_DIR"), stateFile = "Z:" + dir + "/" + name + ".state";
    const std::string state = action == "suspend" ? "down" : "up";
    DeleteFileA(stateFile.c_str());
    const std::string line = "/bin/bash " + Env("VELMO_SLAPD_SCRIPT") + " " + action + " " + dir + " " + name;
    std::wstring command(line.begin(), line.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    // Wine starts a Linux program but cannot wait for it: the state file tells.
    for (int i = 0; i < 100; ++i) {
        if (ReadWholeFile(stateFile).find(state) != std::string::npos) return true;
        Sleep(100);
    }
    return false;
}

}  // namespace velmo::test
