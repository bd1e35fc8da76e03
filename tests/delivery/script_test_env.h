// Setting for script delivery tests: a product folder holding the delivery
// script, and the PowerShell stand-in installed in the scratch prefix, steered
// and read through its registry key.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "support/trace_capture.h"
#include "support/windows_env.h"

namespace velmo::test {

inline constexpr char kFixedPowerShell[] = "C:\\WINDOWS\\system32\\WindowsPowerShell\\v1.0\\powershell.exe";
inline constexpr char kScriptName[] = "OtpDeliveryScript.ps1";

class PowerShellDouble {
public:
    static void Reset();
    static void SetAnswer(const std::string& text);
    static void SetDelayMs(uint32_t ms);
    static void SetSilent();
    static std::string Recorded(const char* name);  // "" when absent
    static uint32_t Runs();
};

class ScriptDeliveryTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string PsStatus() const;

    std::string folder;  // product folder, with a trailing backslash
    TraceCapture trace;
};

}  // namespace velmo::test
