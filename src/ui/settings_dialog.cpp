#include "ui/settings_dialog.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cstdarg>
#include <string>

#include "common/module_state.h"
#include "common/text.h"
#include "common/trace.h"
#include "common/user_list_sink.h"
#include "delivery/delivery.h"
#include "delivery/destination.h"
#include "delivery/remote_verification.h"
#include "delivery/script_runner.h"
#include "otp/user_record.h"
#include "otp/verification.h"
#include "settings/registry.h"
#include "ui/gateway_presets.h"
#include "ui/dialog_rules.h"
#include "ui/settings_dialog_ids.h"
#include "ui/users_file.h"

namespace velmo {

namespace {

constexpr int kGatewayOnOk = 240;      // combo text kept by OK
constexpr int kGatewayOnAction = 210;  // combo text kept by Edit and Test
constexpr int kDetailSize = 110;
constexpr uint32_t kDestinationShown = 80;
constexpr int kWindowsUserSize = 100;
constexpr int kImportPathSize = 490;
constexpr int kUserNameSize = 400;
constexpr size_t kMinTestInput = 4;
constexpr size_t kStatusSize = 901;
constexpr uint32_t kStatusReadSize = 340;    // "SMS-Gate-ret" and "URL-ret" as shown
constexpr size_t kLastDeliveryShown = 5;  // "SMS-Gate-ret" longer than this is shown
constexpr char kTestCode[] = "TestOTP";
constexpr char kCaption[] = "Velmo";

// The open dialog: the routines that fill and read the user list find it here.
HWND g_dialog = nullptr;

class UserListBox : public UserListSink {
public:
    void Clear() override { SendDlgItemMessageA(g_dialog, IDC_USER_LIST, LB_RESETCONTENT, 0, 0); }
    void Add(const char* user) override {
        SendDlgItemMessageA(g_dialog, IDC_USER_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(user));
    }
};
UserListBox g_userList;

std::string ItemText(HWND dialog, int id, int size) {
    std::string text(static_cast<size_t>(size), '\0');
    GetDlgItemTextA(dialog, id, text.data(), size);
    return text.c_str();
}

std::string ModuleText(const char* name) {
    return ReadRegText(RegRoot::LocalMachine, kOtpModuleKey, name, kStatusReadSize);
}

void Show(HWND dialog, const std::string& text, UINT icon) { MessageBoxA(dialog, text.c_str(), kCaption, icon | MB_OK); }

void SetStatus(HWND dialog, const std::string& text) { SetDlgItemTextA(dialog, IDC_STATUS, text.c_str()); }

// The gateway text also becomes the module's current delivery setting.
std::string TakeGatewayText(HWND dialog, int size) {
    const std::string gateway = ItemText(dialog, IDC_GATEWAY, size);
    CopyText(Module().smsGateValue, gateway);
    return gateway;
}

void FillUserList() {
    char unused[kMatchedUserNameSize];
    findVerifyUserName("", unused, sizeof unused);
}

std::string SelectedUser(HWND dialog) {
    const HWND list = GetDlgItem(dialog, IDC_USER_LIST);
    const LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR) return {};
    const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR || length >= kUserNameSize) return {};
    char user[kUserNameSize] = {};
    SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(user));
    return user;
}

void OnInit(HWND dialog) {
    g_dialog = dialog;
    RegisterUserListSink(&g_userList);
    FillUserList();

    SetDlgItemTextA(dialog, IDC_GATEWAY, Module().smsGateValue);
    for (const char* preset : kGatewayPresets)
        SendDlgItemMessageA(dialog, IDC_GATEWAY, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(preset));
    SetDlgItemInt(dialog, IDC_TIMEOUT,
                  TimeoutForWindow(ReadRegDword(RegRoot::LocalMachine, kOtpModuleKey, "window", kDefaultWindow)), FALSE);

    const std::string lastDelivery = ModuleText("SMS-Gate-ret");
    if (lastDelivery.size() > kLastDeliveryShown) SetStatus(dialog, "Last delivery status:\n " + lastDelivery);
    if (RemoteVerificationConfigured()) {
        SetDlgItemTextA(dialog, IDC_TEST, "Test OTP");
        SetStatus(dialog, RemoteVerificationUrl() + "\n\r\n\n" + "Last OTP verification status:\n\r\n" +
                              ModuleText("URL-ret"));
    }
}

void OnUserSelected(HWND dialog) {
    const std::string user = SelectedUser(dialog);
    if (user.empty()) return;
    const uint32_t counter = ReadRecordNumber(user.c_str(), kCounterSuffix, 0);
    const std::string destination = ReadRecordText(user.c_str(), kDestinationSuffix, kDestinationShown);
    SetDlgItemTextA(dialog, IDC_USER_DETAIL, destination.c_str());
    EnableDlgItems(dialog, TRUE, IDC_TEST, 0);
    if (destination.empty()) {
        SetDlgItemTextA(dialog, IDC_USER_DETAIL, counter != 0 ? "Yubikey HOTP" : "Google Auth TOTP");
        EnableDlgItems(dialog, FALSE, IDC_TEST, 0);
    }
}

void OnOk(HWND dialog) {
    const std::string gateway = TakeGatewayText(dialog, kGatewayOnOk);
    WriteRegString(RegRoot::LocalMachine, kOtpModuleKey, "SMS-Gate", gateway.c_str());
    WriteRegString(RegRoot::LocalMachine, kOtpModuleKey, "SMS-Gate-Success-Value", " OK ");
    BOOL read = FALSE;
    const UINT timeout = GetDlgItemInt(dialog, IDC_TIMEOUT, &read, FALSE);
    if (const auto window = WindowForTimeout(timeout); read && window)
        WriteRegDword(RegRoot::LocalMachine, kOtpModuleKey, "window", *window);
    if (GatewayLacksText(gateway))
        Show(dialog, "SMS gate URL does not contain %text% parametr. Click ? for details", MB_ICONWARNING);
}

void OnEdit(HWND dialog) {
    const std::string gateway = TakeGatewayText(dialog, kGatewayOnAction);
    if (Contains(gateway, "http")) {
        ShellExecuteA(dialog, "open", gateway.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return;
    }
    char folder[kProductFolderSize];
    ReadRegText(RegRoot::LocalMachine, kVelmoKey, "VelmoPath", folder, sizeof folder);
    ShellExecuteA(dialog, "open", (std::string(folder) + gateway).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void OnExport(HWND dialog) {
    const std::string path = UsersExportPath();
    ExportUsers(path);
    Show(dialog, "The list of users was exported successfully.\n\nDesktop\\VelmoOtpUsers.reg", MB_ICONINFORMATION);
    ShowInExplorer(path);
}

void OnImport(HWND dialog) {
    char path[kImportPathSize] = {};
    OPENFILENAMEA open{};
    open.lStructSize = sizeof open;
    open.hwndOwner = dialog;
    open.lpstrFilter = "REG Files (*.reg)\0*.reg\0All Files (*.*)\0*.*\0";
    open.lpstrFile = path;
    open.nMaxFile = sizeof path;
    open.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (!GetOpenFileNameA(&open)) return;
    ImportUsers(path);
    Show(dialog, "The list of users was imported successfully.", MB_ICONINFORMATION);
    FillUserList();
}

std::string TestUser(HWND dialog) {
    std::string user = SelectedUser(dialog);
    if (!user.empty()) return user;
    char name[kWindowsUserSize] = {};
    DWORD size = sizeof name;
    return GetUserNameA(name, &size) ? std::string(name) : std::string("User");
}

void OnTest(HWND dialog) {
    const std::string user = TestUser(dialog);
    const std::string gateway = TakeGatewayText(dialog, kGatewayOnAction);
    const std::string detail = ItemText(dialog, IDC_USER_DETAIL, kDetailSize);

    if (RemoteVerificationConfigured()) {
        if (detail.size() < kMinTestInput) {
            Show(dialog, "Please enter OTP for test verification.", MB_ICONWARNING);
            return;
        }
        char answer[kRemoteAnswerSize] = {};
        const int result = verifyOTP_Web(user.c_str(), detail.c_str(), answer, sizeof answer);
        TraceLog("DLG_PROC verifyDevicePIN, verifyOTP_Web() ret: %d", result);
        Show(dialog, answer, result != 0 ? MB_ICONERROR : MB_ICONINFORMATION);
        return;
    }

    if (detail.size() < kMinTestInput || !IsStorableDestination(detail)) {
        Show(dialog, "Please enter phone or email for test delivery.", MB_ICONWARNING);
        return;
    }
    WriteRegString(RegRoot::LocalMachine, kOtpModuleKey, "SMS-Gate", gateway.c_str());
    char status[kStatusSize] = {};
    const int result = SendOtpCode(detail.c_str(), user.c_str(), kTestCode, status, sizeof status);
    if (result != kDeliveryRan) {
        Show(dialog, std::string("OTP delivery error. \n\n") + status, MB_ICONINFORMATION);
        return;
    }
    if (Contains(gateway, ".ps1") && BoundedLength(status, 3) < 3) {
        AppendText(status,
                   "\n\nPlease ensure Script Execution Policy allowed for elevated processes:\n run powershell.exe "
                   "(as admin) and execute 'Set-ExecutionPolicy RemoteSigned' command");
        Show(dialog, status, MB_ICONINFORMATION);
        StartProcessAndWait("powershell.exe", "");
        return;
    }
    SetStatus(dialog, std::string("Last delivery status:\n ") + status);
}

void OnLog(HWND dialog) {
    ShellExecuteA(dialog, "open", Module().logFilePath, nullptr, nullptr, SW_SHOWNORMAL);
    ShellExecuteA(dialog, "open", "otp_LogonUI.exe.log", nullptr, nullptr, SW_SHOWNORMAL);
}

void Close(HWND dialog, INT_PTR result) {
    RegisterUserListSink(nullptr);
    g_dialog = nullptr;
    EndDialog(dialog, result);
}

}  // namespace

void EnableDlgItems(HWND dialog, BOOL enable, ...) {
    va_list ids;
    va_start(ids, enable);
    for (int id = va_arg(ids, int); id != 0; id = va_arg(ids, int)) EnableWindow(GetDlgItem(dialog, id), enable);
    va_end(ids);
}

INT_PTR CALLBACK OtpSettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            OnInit(dialog);
            return TRUE;
        case WM_CLOSE:
            Close(dialog, 0);
            return FALSE;
        case WM_COMMAND:
            break;
        default:
            return FALSE;
    }
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    switch (id) {
        case IDC_USER_LIST:
            if (code == LBN_SELCHANGE) OnUserSelected(dialog);
            break;
        case IDOK:
            OnOk(dialog);
            Close(dialog, 1);
            break;
        case IDCANCEL:
            Close(dialog, 0);
            break;
        case IDC_EDIT_GATEWAY: OnEdit(dialog); break;
        case IDC_EXPORT: OnExport(dialog); break;
        case IDC_IMPORT: OnImport(dialog); break;
        case IDC_TEST: OnTest(dialog); break;
        case IDC_LOG: OnLog(dialog); break;
        case IDC_HELP_PAGE: ShellExecuteA(dialog, "open", kHelpPageUrl, nullptr, nullptr, SW_SHOWNORMAL); break;
        default: break;
    }
    return FALSE;
}

INT_PTR DisplaySettings(HWND parent) {
    return DialogBoxParamA(static_cast<HINSTANCE>(Module().moduleInstance), MAKEINTRESOURCEA(IDD_OTP_SETTINGS), parent,
                           OtpSettingsDlgProc, 0);
}

}  // namespace velmo
