#include "common/system_folder.h"

#include <windows.h>

namespace velmo {

namespace {

// Where Windows keeps its programs when the system cannot tell.
constexpr char kUsualSystemFolder[] = "C:\\WINDOWS\\system32";

}  // namespace

std::string SystemProgramPath(const char* relativePath) {
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    std::string path = (length > 0 && length < MAX_PATH) ? folder : kUsualSystemFolder;
    return path.append("\\").append(relativePath);
}

}  // namespace velmo
