// Finds the message boxes the module shows while a test runs, records their
// texts, and dismisses them, so that a modal box never hangs the
// test. Needs the virtual display (NEEDS_DISPLAY); without a display the
// module's boxes return at once and nothing is seen.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmo::test {

class MessageBoxWatcher {
public:
    // Watches for boxes with this caption (the module's boxes say "Velmo").
    explicit MessageBoxWatcher(std::string caption = "Velmo");
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    std::vector<std::string> Seen() const;  // the texts, in order

private:
    void Run();
    std::string caption_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> seen_;
    std::thread thread_;
};

// True when a display is attached (DISPLAY is set for the Wine process).
bool HaveDisplay();

}  // namespace velmo::test
