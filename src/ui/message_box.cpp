#include "ui/message_box.h"

#include <windows.h>

namespace velmo {

void ShowWarning(const char* text) { MessageBoxA(nullptr, text, "Velmo", MB_ICONWARNING | MB_OK); }

}  // namespace velmo
