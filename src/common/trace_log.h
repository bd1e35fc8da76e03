// CTraceMaker: the process-wide trace file writer behind TraceLog.
//
// Every line opens the file, appends under a byte-range lock and closes it
// again, so several processes (the logon UI, the product's tools) can share
// one file without tearing or losing lines.
#pragma once

#include <cstdint>

namespace velmo {

constexpr uint32_t kTracePathSize = 260;
constexpr uint32_t kTraceDefaultLimitKb = 600;
constexpr uint32_t kTraceLineBufferSize = 2500;
constexpr uint32_t kTraceMessageMax = 1500;

class CTraceMaker {
public:
    CTraceMaker();
    virtual ~CTraceMaker();

    // Sets the file and its size limit (KB) and writes the header, unless
    // logging is switched off ("DisableLog" = 1), which deletes the file.
    void OpenLog(const char* path, uint32_t limitKb);
    // Appends one time-stamped line (the text cut to 1,500 characters).
    void WriteLine(const char* text);


private:
    char path_[kTracePathSize];
    uint32_t limitKb_;
};

// The one instance of the process; created on first use, never destroyed.
CTraceMaker& GetTraceMaker();

}  // namespace velmo
