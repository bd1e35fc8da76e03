#include "directory/companion_library.h"

#include <string>

#include "common/module_state.h"

namespace velmo {

HMODULE LoadCompanionLibrary(const char* fileName) {
    char path[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameA(static_cast<HMODULE>(Module().moduleInstance), path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    std::string full(path, n);
    full = full.substr(0, full.rfind('\\') + 1) + fileName;
    return LoadLibraryExA(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace velmo
