// Captures the module's trace lines for assertions. Natively the lines are
// kept in memory; on Windows the trace log is pointed at a scratch file that
// is read back (time stamps stripped), or the file velmo_otp.dll writes for
// this process is.
#pragma once

#include <string>
#include <vector>

namespace velmo::test {

class TraceCapture {
public:
    TraceCapture();
    // The DLL's trace: "VelmoPath" points at a fresh folder it writes in.
    struct OfDll {};
    explicit TraceCapture(OfDll);
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    // Message texts of the lines written since construction (or Clear).
    std::vector<std::string> Lines() const;
    bool Contains(const std::string& line) const;
    size_t Count(const std::string& line) const;
    // Lines that start with `prefix`.
    std::vector<std::string> StartingWith(const std::string& prefix) const;
    void Clear();

private:
    std::string path_;
};

}  // namespace velmo::test
