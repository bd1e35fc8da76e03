#include "support/message_box_watcher.h"

#include <algorithm>
#include <cstdlib>

namespace velmo::test {

namespace {
constexpr int kMessageTextId = 0xFFFF;  // the text control of a message box
constexpr DWORD kPollMs = 20;
}  // namespace

bool HaveDisplay() { return std::getenv("DISPLAY") != nullptr; }

MessageBoxWatcher::MessageBoxWatcher(std::string caption) : caption_(std::move(caption)), thread_([this] { Run(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
    stop_ = true;
    thread_.join();
}

std::vector<std::string> MessageBoxWatcher::Seen() const {
    std::lock_guard lock(mutex_);
    return seen_;
}

void MessageBoxWatcher::Run() {
    std::vector<HWND> handled;  // a box may stay visible a moment after OK
    for (; !stop_; Sleep(kPollMs)) {
        // Message boxes are dialogs ("#32770") with the module's caption.
        for (HWND box = nullptr; (box = FindWindowExA(nullptr, box, "#32770", caption_.c_str())) != nullptr;) {
            if (!IsWindowVisible(box) || std::find(handled.begin(), handled.end(), box) != handled.end()) continue;
            char text[1024] = {};
            GetDlgItemTextA(box, kMessageTextId, text, sizeof text);
            handled.push_back(box);
            {
                std::lock_guard lock(mutex_);
                seen_.push_back(text);
            }
            SendMessageA(box, WM_COMMAND, IDOK, 0);
        }
    }
}

}  // namespace velmo::test
