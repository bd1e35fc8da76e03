// Reading a trace file back: each message without the time stamp in front.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "support/windows_env.h"

namespace velmo::test {

// "HH:MM : SS:mmm   " in front of every message.
constexpr size_t kTraceStampWidth = 17;

inline std::vector<std::string> TraceMessages(const std::string& path) {
    std::vector<std::string> messages;
    for (const auto& line : SplitLines(ReadWholeFile(path)))
        messages.push_back(line.size() >= kTraceStampWidth ? line.substr(kTraceStampWidth) : std::string());
    return messages;
}

}  // namespace velmo::test
