// Reading trace lines back: the time stamp in front of each message, and
// searches over the messages.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace velmo::test {

// "HH:MM : SS:mmm   " in front of every message.
constexpr size_t kTraceStampWidth = 17;

inline std::string WithoutStamp(const std::string& line) {
    return line.size() >= kTraceStampWidth ? line.substr(kTraceStampWidth) : std::string();
}

inline size_t CountLine(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

inline std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& line : lines)
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    return out;
}

}  // namespace velmo::test
