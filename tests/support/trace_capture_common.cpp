#include "support/trace_capture.h"
#include "support/trace_lines.h"

namespace velmo::test {

bool TraceCapture::Contains(const std::string& line) const { return CountLine(Lines(), line) > 0; }

std::vector<std::string> TraceCapture::StartingWith(const std::string& prefix) const {
    return LinesStartingWith(Lines(), prefix);
}

}  // namespace velmo::test
