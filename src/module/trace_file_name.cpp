#include "module/trace_file_name.h"

#include <cstring>

#include "common/text.h"

namespace velmo {

void BuildTraceFileName(const char* productPath, const char* exePath, char* out, size_t size) {
    CopyText(out, size, View(productPath));
    AppendText(out, size, "otp_");
    const std::string_view exe = View(exePath).substr(0, kHostExePathSize);
    const size_t slash = exe.rfind('\\');
    if (slash != std::string_view::npos) AppendText(out, size, exe.substr(slash + 1));
    AppendText(out, size, ".log");
}

}  // namespace velmo
