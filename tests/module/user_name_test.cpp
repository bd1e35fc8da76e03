// The names the exports form from the host's texts: working user names, the
// names they accept, and the trace file's name.
#include <gtest/gtest.h>

#include <string>

#include "module/trace_file_name.h"
#include "module/user_name.h"

using namespace velmo;

TEST(UserName, WorkingNames) {
    const struct {
        std::string passed, logon, data;
    } rows[] = {
        {"alice@corp.example", "alice", "alice"}, {"CORP\\alice", "CORP\\alice", "alice"},
        {"CORP\\alice@corp", "CORP\\alice", "alice@corp"},  // after a backslash no cut at "@"
        {"a\\b\\c", "a\\b\\c", "b\\c"}, {"@corp", "", ""},
        {std::string(95, 'a') + "@x", std::string(90, 'a'), std::string(90, 'a')},
        {"D\\" + std::string(100, 'u'), "D\\" + std::string(88, 'u'), std::string(90, 'u')},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(LogonWorkingName(row.passed.c_str()), row.logon) << row.passed;
        EXPECT_EQ(DataWorkingName(row.passed.c_str()), row.data) << row.passed;
    }
    EXPECT_EQ(LogonWorkingName(nullptr), "");
}

TEST(UserName, AcceptedLengths) {
    EXPECT_TRUE(AcceptableName(std::string(140, 'x').c_str(), 140));
    EXPECT_FALSE(AcceptableName(std::string(141, 'x').c_str(), 140));
    EXPECT_FALSE(AcceptableName("", 40));
    EXPECT_TRUE(AcceptableName("", 40, EmptyName::Allowed));
    EXPECT_FALSE(AcceptableName(nullptr, 40, EmptyName::Allowed));
}

TEST(TraceFileName, FolderOtpExecutableLog) {
    const struct {
        const char *folder, *exe, *name;
    } rows[] = {
        {"C:\\Velmo\\", "C:\\Windows\\System32\\LogonUI.exe", "C:\\Velmo\\otp_LogonUI.exe.log"},
        {"", "C:\\Apps\\host.exe", "otp_host.exe.log"},
        {"C:\\Velmo\\", "barehost.exe", "C:\\Velmo\\otp_.log"},  // no backslash: nothing in between
        {"C:\\Velmo\\", "", "C:\\Velmo\\otp_.log"},
    };
    for (const auto& row : rows) {
        char out[512];
        BuildTraceFileName(row.folder, row.exe, out, sizeof out);
        EXPECT_STREQ(out, row.name) << row.exe;
    }
    char small[12];
    BuildTraceFileName("C:\\Velmo\\", "C:\\host.exe", small, sizeof small);
    EXPECT_STREQ(small, "C:\\Velmo\\ot");  // cut, never overflowed
}
