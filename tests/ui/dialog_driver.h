// Drives the settings dialog from a second thread, by messages, while the
// test thread sits in the modal dialog loop as the host's UI thread would.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace velmo::test {

// A visible top-level window with this caption (only this test shows one), or
// null after the time-out.
HWND WaitForWindow(const std::string& caption, DWORD timeoutMs = 15000);
bool WindowGone(HWND window, DWORD timeoutMs = 5000);

std::string ItemText(HWND dialog, int id);
void SetItemText(HWND dialog, int id, const std::string& text);
void Click(HWND dialog, int id);
bool ItemEnabled(HWND dialog, int id);
// Selects a user in the list as a click would (with the change notification).
void SelectUser(HWND dialog, const std::string& user);
std::vector<std::string> ListItems(HWND dialog, int id);

// Types `path` into an open-file dialog and presses Open.
void AnswerOpenFileDialog(HWND fileDialog, const std::string& path);

}  // namespace velmo::test
