// Stand-in for powershell.exe in test prefixes: it runs "-file <script>
// args" the way a delivery script does, without PowerShell.
//
// Like PowerShell it refuses a script file that does not exist (no answer).
// Otherwise it answers as a delivery script: it writes "PSStatus" under
// HKLM\Software\Velmo (32-bit view, where the module keeps its settings).
// Tests steer it and read what it saw in the values of the key
// HKCU\Software\VelmoTestDoubles\PowerShell:
//   in:  "Answer"   text to write; {user} {code} {destination} are filled in
//                   (default "Code {code} sent to {destination} OK")
//        "DelayMs"  wait this long before answering
//        "Silent"   1: answer nothing
//   out: "CommandLine", "CurrentDirectory", "Script", "Arguments",
//        "ShowWindow" (SW_ value, or 0xFFFF without STARTF_USESHOWWINDOW),
//        "Runs" (count)
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kControlKey[] = "Software\\VelmoTestDoubles\\PowerShell";
constexpr char kDefaultAnswer[] = "Code {code} sent to {destination} OK";
constexpr DWORD kNoShowWindow = 0xFFFF;

std::string ReadText(HKEY key, const char* name, const std::string& fallback) {
    char buffer[2048] = {};
    DWORD size = sizeof buffer - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return fallback;
    return buffer;
}

DWORD ReadNumber(HKEY key, const char* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS) return 0;
    return value;
}

void WriteText(HKEY key, const char* name, const std::string& text) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1));
}

void WriteNumber(HKEY key, const char* name, DWORD value) {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void Replace(std::string& text, const std::string& what, const std::string& with) {
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

// The text after the program name on a command line.
std::string AfterProgram(const char* commandLine) {
    const char* p = commandLine;
    if (*p == '"') {
        p = std::strchr(p + 1, '"');
        p = p ? p + 1 : commandLine + std::strlen(commandLine);
    } else {
        while (*p && *p != ' ') ++p;
    }
    while (*p == ' ') ++p;
    return p;
}

struct Invocation {
    std::string script;
    std::string arguments;
    std::vector<std::string> words;  // arguments split on blanks
};

// "-file \"path\" rest" or "-file path rest".
bool ParseFileInvocation(const std::string& text, Invocation& out) {
    if (text.rfind("-file ", 0) != 0) return false;
    size_t at = 6;
    if (at < text.size() && text[at] == '"') {
        const size_t end = text.find('"', at + 1);
        if (end == std::string::npos) return false;
        out.script = text.substr(at + 1, end - at - 1);
        at = end + 1;
    } else {
        const size_t end = text.find(' ', at);
        out.script = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() : end;
    }
    while (at < text.size() && text[at] == ' ') ++at;
    out.arguments = text.substr(at);
    for (size_t start = at; start < text.size();) {
        const size_t end = text.find(' ', start);
        if (end != start) out.words.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return true;
}

}  // namespace

int main() {
    HKEY control = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kControlKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &control, nullptr) !=
        ERROR_SUCCESS)
        return 3;

    const char* commandLine = GetCommandLineA();
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, directory);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    WriteText(control, "CommandLine", commandLine);
    WriteText(control, "CurrentDirectory", directory);
    WriteNumber(control, "ShowWindow", (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : kNoShowWindow);
    WriteNumber(control, "Runs", ReadNumber(control, "Runs") + 1);

    Invocation invocation;
    if (!ParseFileInvocation(AfterProgram(commandLine), invocation)) {
        RegCloseKey(control);
        return 0;  // not a script run: recorded only
    }
    WriteText(control, "Script", invocation.script);
    WriteText(control, "Arguments", invocation.arguments);

    const std::string answerTemplate = ReadText(control, "Answer", kDefaultAnswer);
    const DWORD delay = ReadNumber(control, "DelayMs");
    const bool silent = ReadNumber(control, "Silent") == 1;
    RegCloseKey(control);

    if (GetFileAttributesA(invocation.script.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "The argument '%s' to the -File parameter does not exist.\n", invocation.script.c_str());
        return 1;
    }
    if (delay) Sleep(delay);
    if (silent) return 0;

    std::string answer = answerTemplate;
    const auto word = [&](size_t i) { return i < invocation.words.size() ? invocation.words[i] : std::string(); };
    Replace(answer, "{user}", word(0));
    Replace(answer, "{code}", word(1));
    Replace(answer, "{destination}", word(2));
    HKEY velmo = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Velmo", 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr,
                        &velmo, nullptr) != ERROR_SUCCESS)
        return 4;
    WriteText(velmo, "PSStatus", answer);
    RegCloseKey(velmo);
    return 0;
}
