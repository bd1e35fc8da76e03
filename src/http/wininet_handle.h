// RAII owner of a WinINet handle (session, connection or request).
#pragma once

#include <windows.h>
#include <wininet.h>

#include "common/win_handles.h"

namespace velmo {

struct HinternetTraits {
    using Handle = HINTERNET;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { InternetCloseHandle(h); }
};

using UniqueHinternet = UniqueOwner<HinternetTraits>;

}  // namespace velmo
