// The trace log on a real file: line format, header, switches, size limit and
// appends from several processes at once.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "common/trace.h"
#include "common/trace_log.h"
#include "support/trace_lines.h"
#include "support/windows_env.h"

using namespace velmo;
using namespace velmo::test;

namespace {

class TraceLogFile : public ::testing::Test {
protected:
    void SetUp() override {
        ResetVelmoRegistry();
        path = ScratchFilePath("tracelog");
        DeleteFileA(path.c_str());
    }
    void TearDown() override {
        GetTraceMaker().OpenLog("", kTraceDefaultLimitKb);
        DeleteFileA(path.c_str());
        ResetVelmoRegistry();
    }
    // Points the log at the file without writing the header.
    void Attach(uint32_t limitKb = 300) {
        GetTraceMaker().OpenLog(path.c_str(), limitKb);
        DeleteFileA(path.c_str());
    }
    std::vector<std::string> Lines() const { return SplitLines(ReadWholeFile(path)); }
    static std::string Message(const std::string& line) { return WithoutStamp(line); }
    void DisableLog(HKEY root, DWORD value) {
        PutRaw(root, View::Wow32, "Software\\Velmo", "DisableLog", REG_DWORD, &value, sizeof value);
    }

    std::string path;
};

}  // namespace

TEST_F(TraceLogFile, LinesCarryASpacePaddedStampAndEndInCrLf) {
    Attach();
    TraceLog("hello %s %d", "world", 42);
    const std::string content = ReadWholeFile(path);
    const std::regex line(R"([ \d]\d:[ \d]\d : [ \d]\d:[ \d]{2}\d   hello world 42\r\n)");
    EXPECT_TRUE(std::regex_match(content, line)) << content;
    EXPECT_EQ(content.find(":0"), std::string::npos) << "fields are padded with spaces, not zeros";
}

TEST_F(TraceLogFile, OpenLogWritesTheHeaderWithTheHostVersion) {
    GetTraceMaker().OpenLog(path.c_str(), 300);
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(Message(lines[0]), "\n\n");
    EXPECT_EQ(Message(lines[1]), std::string(50, '=') + " ");
    // This test program carries version 2.7 (file date words left at zero).
    EXPECT_EQ(Message(lines[2]), std::string(29, '=') + " (" + __DATE__ + ", 2.7, 0.0.0.0)");
}

TEST_F(TraceLogFile, LongMessagesAreCutAndWideTextIsConverted) {
    Attach();
    TraceLog("%s", std::string(2000, 'm').c_str());
    TraceLog("%s", std::string(3000, 'n').c_str());  // longer than the format buffer
    // The wide format reads %s and %ls as wide text, %S and %hs as narrow.
    TraceLogW(L"wide %ls %d \u4e2d", L"caf\u00e9", 7);
    TraceLogW(L"[%s] [%ls]", L"w1", L"w2");
    TraceLogW(L"[%S] [%hs]", "n1", "n2");
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(Message(lines[0]), std::string(1500, 'm'));
    EXPECT_EQ(Message(lines[1]), std::string(1500, 'n'));
    EXPECT_EQ(Message(lines[2]), "wide caf\xe9 7 ?");
    EXPECT_EQ(Message(lines[3]), "[w1] [w2]");
    EXPECT_EQ(Message(lines[4]), "[n1] [n2]");
}

TEST_F(TraceLogFile, DisableLogInLocalMachineDeletesTheFile) {
    Attach();
    TraceLog("before");
    ASSERT_TRUE(FileExists(path));
    DisableLog(HKEY_LOCAL_MACHINE, 1);
    TraceLog("while off");
    EXPECT_FALSE(FileExists(path));
    DisableLog(HKEY_LOCAL_MACHINE, 0);
    TraceLog("after");
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);  // a fresh file, no header
    EXPECT_EQ(Message(lines[0]), "after");
}

TEST_F(TraceLogFile, DisableLogInCurrentUserOnlyStopsWriting) {
    Attach();
    TraceLog("kept");
    DisableLog(HKEY_CURRENT_USER, 1);
    TraceLog("dropped");
    DisableLog(HKEY_CURRENT_USER, 2);  // any other value leaves logging on
    TraceLog("written");
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(Message(lines[0]), "kept");
    EXPECT_EQ(Message(lines[1]), "written");
}

TEST_F(TraceLogFile, OpenLogWhileDisabledDeletesTheFileAndForgetsThePath) {
    WriteWholeFile(path, "old content\r\n");
    DisableLog(HKEY_LOCAL_MACHINE, 1);
    GetTraceMaker().OpenLog(path.c_str(), 300);
    EXPECT_FALSE(FileExists(path));
    DisableLog(HKEY_LOCAL_MACHINE, 0);
    TraceLog("nowhere");
    EXPECT_FALSE(FileExists(path));
}

TEST_F(TraceLogFile, AFileOverTheLimitStartsAgain) {
    Attach(300);
    WriteWholeFile(path, std::string(300 * 1024, 'x'));
    TraceLog("at the limit");
    EXPECT_EQ(ReadWholeFile(path).size(), 300u * 1024 + 17 + 12 + 2);  // at the limit: appended

    WriteWholeFile(path, std::string(300 * 1024 + 1, 'x'));
    TraceLog("restarted");
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Message(lines[0]), "restarted");
}

TEST_F(TraceLogFile, NoPathMeansNoLine) {
    GetTraceMaker().OpenLog("", 300);
    TraceLog("nowhere");
    EXPECT_FALSE(FileExists(path));
}

TEST_F(TraceLogFile, ConcurrentProcessesNeverTearOrLoseLines) {
    Attach(4096);
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string child(self);
    child = child.substr(0, child.rfind('\\') + 1) + "trace_append_child.exe";

    constexpr int kWriters = 3, kLinesEach = 1500;
    std::vector<PROCESS_INFORMATION> processes;
    for (int w = 0; w < kWriters; ++w) {
        std::string command = "\"" + child + "\" \"" + path + "\" w" + std::to_string(w) + " " +
                              std::to_string(kLinesEach);
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(CreateProcessA(child.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            << GetLastError();
        processes.push_back(pi);
    }
    for (auto& pi : processes) {
        EXPECT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(pi.hProcess, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }

    // Each writer opens the log (three header lines) and then numbers its lines.
    const std::regex stamp(R"([ \d]\d:[ \d]\d : [ \d]\d:[ \d]{2}\d   )");
    const std::regex numbered(R"((w\d) line (\d+) [a-z]{40})");
    const std::regex header(R"(\n\n|={50} |={29} \(.*\))");
    std::set<std::string> seen;
    size_t headers = 0;
    for (const auto& line : Lines()) {
        ASSERT_GE(line.size(), kTraceStampWidth) << "torn line: " << line;
        ASSERT_TRUE(std::regex_match(line.substr(0, kTraceStampWidth), stamp)) << "torn line: " << line;
        const std::string message = Message(line);
        std::smatch m;
        if (std::regex_match(message, header)) {
            ++headers;
            continue;
        }
        ASSERT_TRUE(std::regex_match(message, m, numbered)) << "torn line: " << line;
        EXPECT_TRUE(seen.insert(m[1].str() + ":" + m[2].str()).second) << "duplicate: " << line;
    }
    EXPECT_EQ(headers, static_cast<size_t>(kWriters * 3));
    EXPECT_EQ(seen.size(), static_cast<size_t>(kWriters * kLinesEach));
}
