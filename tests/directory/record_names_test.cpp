// Paths, filters and the library's multi-string: the record layer's texts.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "directory/record_names.h"

using namespace velmo;

TEST(RecordNames, PathsAndNames) {
    EXPECT_EQ(RecordPath(kSecretKeys, u"abc"), u"LDAP://CN=abc,CN=SecretKeys,DC=Velmo,DC=com");
    EXPECT_EQ(ContainerPath(kSelfEnrolls), u"LDAP://CN=SelfEnrolls,DC=Velmo,DC=com");
    EXPECT_EQ(NamedObjectPath(kGlobalSettings, u"CN=lastSettingsUpdateTimeCounter"),
              u"LDAP://CN=lastSettingsUpdateTimeCounter,CN=GlobalSettings,DC=Velmo,DC=com");
    EXPECT_EQ(DirectWriteDn(kSecretKeys, u"abc"), u"cn=abc,CN=SecretKeys,DC=Velmo,DC=com");
    EXPECT_EQ(DirectDeleteDn(kSecretKeys, u"abc"), u"CN=abc,CN=SecretKeys,DC=Velmo,DC=com");
    EXPECT_EQ(DirectSearchBase(kSecretKeys), u"CN=SecretKeys,DC=Velmo,DC=com");
    const std::u16string path = RecordPath(kSecretKeys, u"abc");
    EXPECT_EQ(ServerQualifiedPath(u"\\\\dc1.corp.test", path), u"LDAP://dc1.corp.test/CN=abc,CN=SecretKeys,DC=Velmo,DC=com");
    EXPECT_EQ(ServerQualifiedPath(u"10.0.0.5:389", path), u"LDAP://10.0.0.5:389/CN=abc,CN=SecretKeys,DC=Velmo,DC=com");
    EXPECT_EQ(ServerQualifiedPath(u"\\", u"LDAP"), u"LDAP://");
    EXPECT_EQ(DirectNameFilter(u"CN=lastSettingsUpdateTimeCounter"), u"(name=lastSettingsUpdateTimeCounter)");
    EXPECT_EQ(DirectNameFilter(u"LDAP://CN=abc,CN=SecretKeys,DC=Velmo,DC=com"), u"(name=abc)");
    EXPECT_EQ(DirectNameFilter(u"CN=" + std::u16string(100, u'n')), u"(name=" + std::u16string(80, u'n') + u")");
    EXPECT_EQ(DirectNameFilter(u"LD"), u"(name=)");
}

TEST(RecordNames, FilterTable) {
    const struct {
        const char *user, *serial, *second, *filter;
    } rows[] = {
        {"alice", nullptr, nullptr, "(kvUserName=alice)"}, {"+1555*", nullptr, "xy", "(kvUserAttr1=+1555*)"},
        {"alice", "S1", nullptr, "(&(kvUserName=alice)(kvUserKeySerial=S1))"},
        {"alice", "S1", "x", "(&(kvUserName=alice)(kvUserKeySerial=S1))"},  // one character: ignored
        {"alice", "S1", "S2", "(&(kvUserName=alice)(|(kvUserKeySerial=S1)(kvUserKeySerial=S2)))"},
        {nullptr, "S1", nullptr, "(kvUserKeySerial=S1)"},
        {nullptr, "S1", "S2", "(|(kvUserKeySerial=S1)(kvUserKeySerial=S2))"}, {nullptr, nullptr, "S2", ""},
    };
    for (const auto& row : rows) EXPECT_EQ(RecordFilter(row.user, row.serial, row.second), row.filter) << row.filter;
}

TEST(RecordNames, MultiStringsFromTheLibrary) {
    const std::u16string two(u"LDAP://a\0LDAP://b\0\0", 19);
    const struct {
        std::u16string buffer;
        uint64_t length;
        int count;  // -1: refused
    } rows[] = {
        {two, 19, 2},
        {two, 18, -1},                              // the final empty text is cut off
        {two, 9, -1},                               // the second text is not ended inside
        {two, 0, -1},
        {std::u16string(u"\0", 1), 1, 0},           // an empty list
        {std::u16string(u"abc", 3), 3, -1},         // never ended
        {std::u16string(u"a\0b\0\0zz", 7), 7, 2},  // what follows the list is not read
    };
    for (const auto& row : rows) {
        const auto texts = MultiSzStr_to_List(row.buffer.data(), row.length);
        EXPECT_EQ(texts ? static_cast<int>(texts->size()) : -1, row.count) << row.length;
        if (row.count == 2 && texts) {
            EXPECT_EQ((*texts)[1], row.length == 19 ? u"LDAP://b" : u"b");
        }
    }
    EXPECT_FALSE(MultiSzStr_to_List(nullptr, 5));
}

TEST(RecordNames, SecretAttributesByContainer) {
    for (const auto& [container, name, secret] : {std::tuple{kSecretKeys, u"kvOathSecret", true},
                                                  {kSecretKeys, u"kvUserAttr1", false},  // a destination there
                                                  {kSelfEnrolls, u"kvUserAttr1", true},
                                                  {kSelfEnrolls, u"kvReplyToken", true},
                                                  {kSelfEnrolls, u"kvUserAuthData", true},
                                                  {kSelfEnrolls, u"kvUserName", false}})
        EXPECT_EQ(IsSecretAttribute(container, name), secret);
}
