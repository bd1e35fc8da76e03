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

const std::regex kStamp(R"([ \d]\d:[ \d]\d : [ \d]\d:[ \d]{2}\d   )");

class TraceLogFile : public ::testing::Test {
protected:
    void SetUp() override {
        ResetVelmoRegistry();
        DeleteFileA(path.c_str());
    }
    void TearDown() override {
        GetTraceMaker().OpenLog("", kTraceDefaultLimitKb);
        DeleteFileA(path.c_str());
        ResetVelmoRegistry();
    }
    // Points the log at the file without leaving the header in it.
    void Attach(uint32_t limitKb = 300) {
        GetTraceMaker().OpenLog(path.c_str(), limitKb);
        DeleteFileA(path.c_str());
    }
    std::vector<std::string> Messages() const { return TraceMessages(path); }
    static void DisableLog(HKEY root, DWORD value) {
        PutRaw(root, View::Wow32, "Software\\Velmo", "DisableLog", REG_DWORD, &value, sizeof value);
    }
    const std::string path = ScratchFilePath("tracelog");
};

}  // namespace

TEST_F(TraceLogFile, LinesHeaderAndCuts) {
    GetTraceMaker().OpenLog(path.c_str(), 300);
    TraceLog("hello %s %d", "world", 42);
    TraceLog("%s", std::string(2000, 'm').c_str());
    TraceLog("%s", std::string(3000, 'n').c_str());  // longer than the format buffer
    // The wide format reads %s and %ls as wide text, %S and %hs as narrow;
    // characters outside the code page become its default character.
    TraceLogW(L"[%s] [%ls] [%S] [%hs] %d \u4e2d\u00e9", L"w1", L"w2", "n1", "n2", 7);
    const std::vector<std::string> expected = {
        "\n\n", std::string(50, '=') + " ",
        // This test program carries version 2.7 (file date words left at zero).
        std::string(29, '=') + " (" + __DATE__ + ", 2.7, 0.0.0.0)", "hello world 42", std::string(1500, 'm'),
        std::string(1500, 'n'), "[w1] [w2] [n1] [n2] 7 ?\xe9"};
    EXPECT_EQ(Messages(), expected);
    const std::string content = ReadWholeFile(path);
    EXPECT_TRUE(std::regex_search(content, std::regex(R"(\r\n[ \d]\d:[ \d]\d : [ \d]\d:[ \d]{2}\d   hello world 42\r\n)")));
    EXPECT_EQ(content.find(":0"), std::string::npos) << "fields are padded with spaces, not zeros";
}

TEST_F(TraceLogFile, DisableLogAndTheSizeLimit) {
    Attach();
    TraceLog("kept");
    DisableLog(HKEY_CURRENT_USER, 1);  // only stops writing
    TraceLog("dropped");
    DisableLog(HKEY_CURRENT_USER, 2);  // any other value leaves logging on
    TraceLog("written");
    EXPECT_EQ(Messages(), (std::vector<std::string>{"kept", "written"}));
    DisableLog(HKEY_LOCAL_MACHINE, 1);  // deletes the file at the next line
    TraceLog("while off");
    EXPECT_FALSE(FileExists(path));
    DisableLog(HKEY_LOCAL_MACHINE, 0);
    TraceLog("after");
    EXPECT_EQ(Messages(), (std::vector<std::string>{"after"}));  // a fresh file, no header

    // Opened while switched off: the file goes and the path is not taken.
    GetTraceMaker().OpenLog("", 300);
    DisableLog(HKEY_LOCAL_MACHINE, 1);
    GetTraceMaker().OpenLog(path.c_str(), 300);
    EXPECT_FALSE(FileExists(path));
    DisableLog(HKEY_LOCAL_MACHINE, 0);
    TraceLog("nowhere");
    EXPECT_FALSE(FileExists(path));

    Attach(300);
    WriteWholeFile(path, std::string(300 * 1024, 'x'));
    TraceLog("at the limit");
    EXPECT_EQ(ReadWholeFile(path).size(), 300u * 1024 + 17 + 12 + 2);  // appended
    WriteWholeFile(path, std::string(300 * 1024 + 1, 'x'));
    TraceLog("restarted");
    EXPECT_EQ(Messages(), (std::vector<std::string>{"restarted"}));
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
        ASSERT_TRUE(CreateProcessA(child.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        processes.push_back(pi);
    }
    for (auto& pi : processes) {
        EXPECT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    // Each writer opens the log (three header lines) and numbers its lines.
    const std::regex numbered(R"((w\d) line (\d+) [a-z]{40})"), header(R"(\n\n|={50} |={29} \(.*\))");
    std::set<std::string> seen;
    size_t headers = 0;
    for (const auto& line : SplitLines(ReadWholeFile(path))) {
        ASSERT_TRUE(line.size() >= kTraceStampWidth && std::regex_match(line.substr(0, kTraceStampWidth), kStamp))
            << "torn line: " << line;
        const std::string message = line.substr(kTraceStampWidth);
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

TEST_F(TraceLogFile, OnlySystemAndAdministratorsMayReadTheFile) {
    // Wine keeps no access lists on files: it maps them to the owner's mode
    // bits, so what shows is whether anyone beyond the owner may read.
    const struct {
        const char* existing;  // null: no file yet
        bool traced;
    } rows[] = {{nullptr, false}, {"D:(A;;FA;;;BU)", true}, {"D:(A;;FR;;;WD)(A;;FA;;;SY)", true}};
    for (const auto& row : rows) {
        GetTraceMaker().OpenLog("", 300);
        DeleteFileA(path.c_str());
        if (row.existing) {
            WriteWholeFile(path, "old\r\n");
            ASSERT_TRUE(SetAccess(Secured::File, path, row.existing)) << row.existing;
        }
        for (int open = 0; open < 2; ++open) {  // the second finds it private: nothing more to do
            GetTraceMaker().OpenLog(path.c_str(), 300);
            EXPECT_FALSE(WideGroupMayRead(Access(Secured::File, path))) << Access(Secured::File, path);
            size_t warnings = 0;
            for (const auto& m : Messages()) warnings += m.find("was readable by users") != std::string::npos;
            EXPECT_EQ(warnings, row.traced ? 1u : 0u) << (row.existing ? row.existing : "new");
        }
    }
}
