#include "support/message_box_watcher.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace velmo::test {

namespace {
constexpr int kMessageTextId = 0xFFFF;  // the text control of a message box
constexpr DWORD kPollMs = 20;

// Visible dialog-class windows of this process.
BOOL CALLBACK CollectBoxes(HWND window, LPARAM context) {
    char cls[16] = {};
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == GetCurrentProcessId() && GetClassNameA(window, cls, sizeof cls) && std::string(cls) == "#32770" &&
        IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    return TRUE;
}
}  // namespace

bool HaveDisplay() { return std::getenv("DISPLAY") != nullptr; }

MessageBoxWatcher::MessageBoxWatcher(std::string caption) : caption_(std::move(caption)), thread_([this] { Run(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
    stop_ = true;
    thread_.join();
}

std::vector<SeenBox> MessageBoxWatcher::Seen() const {
    std::lock_guard lock(mutex_);
    return seen_;
}

void MessageBoxWatcher::Clear() {
    std::lock_guard lock(mutex_);
    seen_.clear();
}

void MessageBoxWatcher::Run() {
    std::vector<HWND> handled;  // a box may stay visible a moment after OK
    while (!stop_) {
        std::vector<HWND> boxes;
        EnumWindows(CollectBoxes, reinterpret_cast<LPARAM>(&boxes));
        for (HWND box : boxes) {
            if (std::find(handled.begin(), handled.end(), box) != handled.end()) continue;
            char caption[256] = {}, text[1024] = {};
            GetWindowTextA(box, caption, sizeof caption);
            if (caption_ != caption) continue;
            GetDlgItemTextA(box, kMessageTextId, text, sizeof text);
            handled.push_back(box);
            {
                std::lock_guard lock(mutex_);
                seen_.push_back({caption, text});
            }
            SendMessageA(box, WM_COMMAND, IDOK, 0);
        }
        Sleep(kPollMs);
    }
}

}  // namespace velmo::test
