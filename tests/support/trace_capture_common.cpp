#include <algorithm>

#include "support/trace_capture.h"

namespace velmo::test {

bool TraceCapture::Contains(const std::string& line) const { return Count(line) > 0; }

size_t TraceCapture::Count(const std::string& line) const {
    const auto lines = Lines();
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

std::vector<std::string> TraceCapture::StartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const auto& line : Lines())
        if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line);
    return found;
}

}  // namespace velmo::test
