// The directory access library's pure rules: object paths, statuses, the
// list form and which attributes hold text.
#include <gtest/gtest.h>

#include <string>

#include "adap_status.h"
#include "ads_path.h"
#include "multi_string.h"
#include "schema_syntax.h"

using namespace velmo::adap;

TEST(CompanionPure, PathsNameAServerAndAnObjectOrAreRefused) {
    const std::wstring longHost(kMaxHostLength + 1, L'h');
    const std::wstring longDn = L"CN=" + std::wstring(kMaxPathLength, L'x');
    struct Row {
        std::wstring path;
        bool valid;
        std::wstring host = L"";
        uint16_t port = 0;
        std::wstring dn = L"";
    } rows[] = {
        {L"LDAP://CN=a,DC=Velmo,DC=com", true, L"", 0, L"CN=a,DC=Velmo,DC=com"},
        {L"LDAP://dc1.corp.test/CN=a", true, L"dc1.corp.test", 0, L"CN=a"},
        {L"LDAP://127.0.0.9:65535/CN=a", true, L"127.0.0.9", 65535, L"CN=a"},
        {L"LDAP://srv/", true, L"srv", 0, L""},
        {L"LDAP://srv/RootDSE", true, L"srv", 0, L""},
        {L"LDAP://rootDSE", true, L"", 0, L""},
        {L"LDAP://CN=a\\/b\\,c,DC=d", true, L"", 0, L"CN=a/b\\,c,DC=d"},
        {(L"LDAP://" + longDn).substr(0, kMaxPathLength), true, L"", 0, longDn.substr(0, kMaxPathLength - 7)},
        // An unescaped "/" after a name that is no server, ports out of range, ...
        {L"LDAP://" + longDn, false}, {L"", false}, {L"ldap://CN=a", false}, {L"LDAP:/CN=a", false}, {L"LDAP://", false},
        {L"LDAP://CN=a/b", false}, {L"LDAP://srv:/CN=a", false}, {L"LDAP://srv:0/CN=a", false},
        {L"LDAP://srv:65536/CN=a", false}, {L"LDAP://srv:123456/CN=a", false}, {L"LDAP://srv:38a/CN=a", false},
        {L"LDAP://s v/CN=a", false}, {L"LDAP://\\\\dc1/CN=a", false}, {L"LDAP://" + longHost + L"/CN=a", false},
    };
    for (const auto& row : rows) {
        const auto path = ParseAdsPath(row.path);
        ASSERT_EQ(path.has_value(), row.valid) << row.path.size();
        if (!path) continue;
        EXPECT_EQ(path->server.host, row.host);
        EXPECT_EQ(path->server.port, row.port);
        EXPECT_EQ(path->dn, row.dn);
    }
    // The path of a child found by a search opens that child again.
    EXPECT_EQ(PathOfObject(L"cn=a/b\\,c,dc=d"), L"LDAP://cn=a\\/b\\,c,dc=d");
    EXPECT_EQ(ParseAdsPath(PathOfObject(L"cn=a/b\\,c,dc=d"))->dn, L"cn=a/b\\,c,dc=d");
}

TEST(CompanionPure, LdapResultsBecomeTheStatusesCallersActOn) {
    struct Row {
        uint32_t ldap;
        bool serverless;
        uint32_t status;
    } rows[] = {
        {0x00, false, 0},
        {0x51, false, 0x8007203A},  // server down
        {0x5B, false, 0x8007203A},  // connect error
        {0x51, true, 0x8007054B},   // no server named: the domain could not be contacted
        {0x0A, false, 0x8007202B},  // referral
        {0x09, false, 0x8007202B},
        {0x20, false, 0x80072030},  // no such object
        {0x31, false, 0x8007052E},  // invalid credentials
        {0x44, false, 0x80071392},  // already exists
        {0x15, false, 0x8007200B},  // invalid attribute syntax
        {0x57, false, 0x80005014},  // filter error
        {0x99, false, 0x80072095},  // unknown: generic directory error
    };
    for (const auto& row : rows) EXPECT_EQ(FromLdap(row.ldap, row.serverless), row.status) << std::hex << row.ldap;

    EXPECT_EQ(DescribeStatus(0x8007203A, L"ignored"), L"The server is not operational.");
    EXPECT_EQ(DescribeStatus(0x80070002, L"The system cannot find the file specified.\r\n"),
              L"The system cannot find the file specified.");
    EXPECT_EQ(DescribeStatus(0x80070002, L""), L"Directory access status 0x80070002.");
}

TEST(CompanionPure, ListsEndWithAnEmptyTextCountedInTheirLength) {
    EXPECT_EQ(BuildMultiString({}), std::wstring(1, L'\0'));
    EXPECT_EQ(BuildMultiString({L"LDAP://a", L"b"}), std::wstring(L"LDAP://a\0b\0\0", 12));
}

TEST(CompanionPure, OnlyBinarySyntaxesAreRefusedAsText) {
    AttributeSyntaxes syntaxes;
    syntaxes.Add(L"( 2.5.4.41 NAME 'name' SYNTAX 1.3.6.1.4.1.1466.115.121.1.15{32768} )");
    syntaxes.Add(L"( 2.5.4.3 NAME ( 'cn' 'commonName' ) SUP name )");
    syntaxes.Add(L"( 1.2 NAME 'kvTestBinary' SYNTAX 1.3.6.1.4.1.1466.115.121.1.40{128} DESC 'SYNTAX' SINGLE-VALUE )");
    syntaxes.Add(L"( 1.3 NAME 'photoCopy' SUP kvTestBinary )");
    syntaxes.Add(L"( 1.4 NAME 'loopA' SUP loopB )");
    syntaxes.Add(L"( 1.5 NAME 'loopB' SUP loopA )");
    syntaxes.Add(L"( 1.6 NAME 'broken SYNTAX 1.3.6.1.4.1.1466.115.121.1.40");
    for (const wchar_t* text : {L"name", L"CN", L"commonname", L"loopA", L"unknown"})
        EXPECT_TRUE(syntaxes.IsText(text)) << text;
    for (const wchar_t* binary : {L"kvtestbinary", L"photoCopy"}) EXPECT_FALSE(syntaxes.IsText(binary)) << binary;

    // Descriptions are asked for along the supertype chain until a syntax or
    // an unknown type ends it.
    AttributeSyntaxes asked;
    EXPECT_EQ(asked.Missing(L"CN"), L"cn");
    asked.Add(L"( 2.5.4.3 NAME ( 'cn' 'commonName' ) SUP name )");
    EXPECT_EQ(asked.Missing(L"CN"), L"name");
    asked.AddUnknown(L"name");
    EXPECT_EQ(asked.Missing(L"CN"), L"");
}

TEST(CompanionPure, ActiveDirectorySchemaObjectsTellTextFromBytes) {
    // attributeSyntax of an attributeSchema object: Octet String, NT Security
    // Descriptor and SID are bytes; Unicode, DN, Integer and the rest read as text.
    const struct {
        const wchar_t* syntax;
        bool text;
    } syntaxes[] = {{L"2.5.5.12", true}, {L"2.5.5.1", true}, {L"2.5.5.9", true}, {L"2.5.5.10", false},
                    {L"2.5.5.15", false}, {L"2.5.5.17", false}, {L"", true}, {L"2.5.5.100", true}};
    for (const auto& row : syntaxes) {
        AttributeSyntaxes known;
        known.AddKnown(L"kvSomething", IsTextAdSyntax(row.syntax));
        EXPECT_EQ(known.IsText(L"KVSOMETHING"), row.text) << row.syntax;
        EXPECT_EQ(known.Missing(L"kvSomething"), L"") << row.syntax;  // nothing more to ask
    }

    // Only a plain attribute name goes into the schema object's search filter.
    const std::wstring longest(100, L'a');
    const struct {
        std::wstring name;
        bool keyword;
    } names[] = {{L"kvOathSecret", true}, {L"ms-DS-Other9", true}, {longest, true}, {longest + L"a", false},
                 {L"", false}, {L"9kv", false}, {L"-kv", false}, {L"kv)(objectClass=*", false},
                 {L"kv*", false}, {L"kv\\2a", false}, {L"kv name", false}, {L"1.2.840.113556", false}};
    for (const auto& row : names) EXPECT_EQ(IsAttributeKeyword(row.name), row.keyword) << row.name.size();
}
