// The texts of script delivery: the script's arguments, the PowerShell
// command, the process command line, and what the script's answer means.
// Pure code.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmo {

constexpr size_t kScriptArgumentsSize = 200;  // "user code destination", at most 199 characters
constexpr size_t kScriptStatusChars = 190;    // of "PSStatus" as the status text
constexpr size_t kScriptCommandSize = 500;    // "-file ..." text, at most 499 characters

// "user code destination", blank-separated and unquoted, cut to 199 characters.
std::string ScriptArguments(std::string_view user, std::string_view code, std::string_view destination);

// The script's answer as status text: its first 190 characters.
std::string ScriptStatusText(std::string_view answer);

// kDeliveryFailed when the status text holds "Error" (case-sensitive), else
// kDeliveryRan: the caller still looks for its success marker.
int ScriptOutcome(std::string_view status);

// PowerShell's argument text: -file "<folder><script>", then a blank and the
// script's arguments when there are any (null: none); cut to 499 characters.
// The folder is a plain prefix, expected to end with a backslash.
std::string PowerShellArguments(std::string_view folder, std::string_view script, const char* arguments);

// The command line of a process start: the quoted program file and the
// arguments when the program was found as a file, else the program as named.
std::string ProcessCommandLine(const char* applicationPath, std::string_view program, std::string_view arguments);

}  // namespace velmo
