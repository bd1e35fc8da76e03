#include <algorithm>

#include "support/trace_capture.h"

namespace velmo::test {

bool TraceCapture::Contains(const std::string& line) const {
    const auto lines = Lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::vector<std::string> TraceCapture::StartingWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& line : Lines())
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    return out;
}

}  // namespace velmo::test
