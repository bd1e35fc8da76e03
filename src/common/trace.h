// The module's diagnostic trace: one time-stamped line per call.
//
// Declared free of platform headers so that pure code can trace too. On
// Windows the lines go to the trace file (trace_log.cpp); native builds of
// the pure code link a sink of their own.
#pragma once

#include "common/text.h"

namespace velmo {

// Formats one line (cut to the line buffer) and appends it to the trace.
int TraceLog(const char* format, ...) VELMO_PRINTF(1, 2);

// Wide-format variant; the text is converted to the ANSI code page.
int TraceLogW(const wchar_t* format, ...);

}  // namespace velmo
