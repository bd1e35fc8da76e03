// Working user names formed from the host's text.
#include <gtest/gtest.h>

#include <string>

#include "module/user_name.h"

using namespace velmo;

TEST(UserName, LogonNamesAreCutAtTheAtSignAndNinetyCharacters) {
    EXPECT_EQ(LogonWorkingName("alice@corp.example"), "alice");
    EXPECT_EQ(LogonWorkingName("CORP\\alice"), "CORP\\alice");
    EXPECT_EQ(LogonWorkingName(std::string(140, 'a').c_str()), std::string(90, 'a'));
    EXPECT_EQ(LogonWorkingName((std::string(95, 'a') + "@x").c_str()), std::string(90, 'a'));
    EXPECT_EQ(LogonWorkingName("@corp"), "");
    EXPECT_EQ(LogonWorkingName(nullptr), "");
}

TEST(UserName, DataNamesDropADomainPrefix) {
    EXPECT_EQ(DataWorkingName("CORP\\alice"), "alice");
    EXPECT_EQ(DataWorkingName("CORP\\alice@corp"), "alice@corp");  // not cut at "@" then
    EXPECT_EQ(DataWorkingName("a\\b\\c"), "b\\c");
    EXPECT_EQ(DataWorkingName("bob@corp"), "bob");
    EXPECT_EQ(DataWorkingName(("D\\" + std::string(100, 'u')).c_str()), std::string(90, 'u'));
}

TEST(UserName, AcceptableNames) {
    EXPECT_TRUE(AcceptableName("bob", 3));
    EXPECT_FALSE(AcceptableName("bobby", 4));
    EXPECT_FALSE(AcceptableName("", 40));
    EXPECT_TRUE(AcceptableName("", 40, EmptyName::Allowed));
    EXPECT_FALSE(AcceptableName(nullptr, 40, EmptyName::Allowed));
    EXPECT_FALSE(AcceptableName(nullptr, 40));
    EXPECT_TRUE(AcceptableName(std::string(140, 'x').c_str(), 140));
    EXPECT_FALSE(AcceptableName(std::string(141, 'x').c_str(), 140));
}
