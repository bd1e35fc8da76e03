#include "dialog_driver.h"

namespace velmo::test {

HWND WaitForWindow(const std::string& caption, DWORD timeoutMs) {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(20)) {
        const HWND window = FindWindowA(nullptr, caption.c_str());
        if (window && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

bool WindowGone(HWND window, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (IsWindow(window) && GetTickCount() - start < timeoutMs) Sleep(20);
    return !IsWindow(window);
}

std::string ItemText(HWND dialog, int id) {
    const HWND item = GetDlgItem(dialog, id);
    const LRESULT length = SendMessageA(item, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(item, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    return text.c_str();
}

void SetItemText(HWND dialog, int id, const std::string& text) {
    SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Click(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool ItemEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

void SelectUser(HWND dialog, const std::string& user) {
    const HWND list = GetDlgItem(dialog, 1005);
    SendMessageA(list, LB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(user.c_str()));
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(1005, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

std::vector<std::string> ListItems(HWND dialog, int id) {
    const HWND list = GetDlgItem(dialog, id);
    std::vector<std::string> items;
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::string text(static_cast<size_t>(length < 0 ? 0 : length) + 1, '\0');
        SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        items.push_back(text.c_str());
    }
    return items;
}

void AnswerOpenFileDialog(HWND fileDialog, const std::string& path) {
    // The file name field: a combo box (cmb13) in the Explorer-style dialog,
    // an edit (edt1) in the older one.
    constexpr int kFileNameCombo = 0x47c, kFileNameEdit = 0x480;
    const int field = GetDlgItem(fileDialog, kFileNameCombo) ? kFileNameCombo : kFileNameEdit;
    SetItemText(fileDialog, field, path);
    PostMessageA(fileDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

}  // namespace velmo::test
