// Resource and control identifiers of the OTP settings dialog.
#pragma once

#define IDD_OTP_SETTINGS 101

#define IDC_STATIC (-1)
#define IDC_TEST 7          // "Test delivery" / "Test OTP"
#define IDC_EDIT_GATEWAY 4  // "Edit"
#define IDC_EXPORT 5
#define IDC_IMPORT 6
#define IDC_LOG 8
#define IDC_HELP_PAGE 9     // "?"
#define IDC_STATUS 1002     // status texts
#define IDC_USER_LIST 1005
#define IDC_USER_DETAIL 1006  // OTP type, destination or test code
#define IDC_TIMEOUT 1008      // validity time-out in seconds
#define IDC_GATEWAY 1009      // script name or gateway URL template
