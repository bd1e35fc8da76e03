// The administrator's OTP settings dialog: the users with an OTP record, the
// delivery channel, the validity time-out, test delivery or verification,
// export and import of the users, and the trace log.
#pragma once

#include <windows.h>

namespace velmo {

// Opens dialog 101 modally, owned by `parent`: 1 after OK, 0 after Cancel or
// closing (or what the dialog manager answers when it cannot open it).
INT_PTR DisplaySettings(HWND parent);

INT_PTR CALLBACK OtpSettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Enables or disables each control of the list, which ends with 0.
void EnableDlgItems(HWND dialog, BOOL enable, ...);

}  // namespace velmo
