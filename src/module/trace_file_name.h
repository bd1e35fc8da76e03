// The trace file of a host process: product folder, "otp_", the host
// executable's file name and ".log". Pure code.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmo {

constexpr size_t kProductPathReadSize = 100;  // "VelmoPath" as read for the trace file
constexpr size_t kHostExePathSize = 500;
constexpr uint32_t kTraceFileLimitKb = 300;  // a trace file past this size starts again

// `productPath` is "VelmoPath" as read; `exePath` the host executable's full
// file name. The executable's part after the last backslash is used; a path
// without a backslash adds nothing. `out` receives at most size - 1 chars.
void BuildTraceFileName(const char* productPath, const char* exePath, char* out, size_t size);

}  // namespace velmo
