// The ReadReg / WriteReg family against Wine's real registry.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings/registry.h"
#include "support/windows_env.h"

using namespace velmo;
using namespace velmo::test;

namespace {

constexpr char kPath[] = "SOFTWARE\\Velmo";
constexpr RegRoot kLm = RegRoot::LocalMachine;

class Registry : public ::testing::Test {
protected:
    void SetUp() override { ResetVelmoRegistry(); }
    void TearDown() override { ResetVelmoRegistry(); }
};

std::string Text(const char* name, uint32_t size = 400) {
    std::string buffer(size, 'x');
    ReadRegText(kLm, kPath, name, buffer.data(), size);
    return buffer.c_str();
}

}  // namespace

TEST_F(Registry, ReadsOfMissingAndOversizedValues) {
    PutText(kPath, "long", std::string(150, 'a') + "b");
    PutText(kPath, "fits", std::string(96, 'c'));
    PutText(kPath, "huge", std::string(4000, 'h'));
    PutText(kPath, "big", std::string(2099, 'g'));  // 2,100 bytes with the terminator
    PutText(kPath, "limit", std::string(2023, 'l'));
    EXPECT_EQ(Text("long", 100), std::string(96, 'a'));  // N - 4 characters
    EXPECT_EQ(Text("fits", 100), std::string(96, 'c'));
    EXPECT_EQ(Text("huge", 100), "");
    EXPECT_EQ(Text("long", 3), "");
    EXPECT_EQ(Text("absent"), "");
    EXPECT_EQ(ReadRegText(kLm, kPath, "long", nullptr, 100), nullptr);
    EXPECT_EQ(ReadRegString(kLm, kPath, "big"), "");
    EXPECT_EQ(ReadRegString(kLm, kPath, "limit").size(), 2023u);
    EXPECT_EQ(ReadRegString(kLm, kPath, "absent"), "");
    EXPECT_EQ(ReadRegDword(kLm, "SOFTWARE\\Velmo\\Nowhere", "v", 5), 5u);
    uint32_t size = 16;
    uint8_t bytes[16];
    EXPECT_EQ(ReadRegBinary(kLm, kPath, "absent", bytes, &size), 0u);
    EXPECT_EQ(size, 0u);
}

TEST_F(Registry, NumbersAndTextsConvert) {
    PutDword(kPath, "max", 4294967295u);
    EXPECT_EQ(ReadRegString(kLm, kPath, "max"), "4294967295");
    EXPECT_EQ(Text("max"), "-1");
    // The text rules live in NumberFromValue's table; here, that a text and a
    // binary reach them, and that a text longer than the query reads as unset.
    for (const auto& [text, expected] : {std::pair<std::string, uint32_t>{"42", 42}, {std::string(20, '1'), 9}}) {
        PutText(kPath, "n", text);
        EXPECT_EQ(ReadRegDword(kLm, kPath, "n", 9), expected) << '"' << text << '"';
    }
    const uint8_t four[] = {0x78, 0x56, 0x34, 0x12, 0x99};
    PutRaw(HKEY_LOCAL_MACHINE, View::Wow32, kPath, "b", REG_BINARY, four, 2);
    EXPECT_EQ(ReadRegDword(kLm, kPath, "b", 9), 0x5678u);
}

TEST_F(Registry, ViewsAreTriedThirtyTwoBitFirstAndWrittenWhereFound) {
    const char* k64 = "SOFTWARE\\Velmo\\Sixty";  // only in the 64-bit view
    PutText(kPath, "only32", "thirty-two", View::Wow32);
    PutText(k64, "only64", "sixty-four", View::Wow64);
    PutDword(k64, "n64", 64, View::Wow64);
    EXPECT_EQ(ReadRegString(kLm, kPath, "only32"), "thirty-two");
    EXPECT_EQ(ReadRegString(kLm, k64, "only64"), "sixty-four");
    EXPECT_EQ(ReadRegDword(kLm, k64, "n64", 0), 64u);
    EXPECT_TRUE(WriteRegString(kLm, kPath, "only32", "new32"));
    EXPECT_TRUE(WriteRegString(kLm, k64, "only64", "new64"));
    EXPECT_EQ(Value(kPath, "only32", View::Wow32).Text(), "new32");
    EXPECT_FALSE(GetRaw(kPath, "only32", View::Wow64));
    EXPECT_EQ(Value(k64, "only64", View::Wow64).Text(), "new64");
    EXPECT_FALSE(GetRaw(k64, "only64", View::Wow32));
    EXPECT_TRUE(WriteRegDword(kLm, "SOFTWARE\\Velmo\\Fresh", "n", 7));  // a new key: the 32-bit view
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, View::Wow64, "SOFTWARE\\Velmo\\Fresh"));
}

TEST_F(Registry, WritesStoreTypesDeleteAndCreateVolatileKeys) {
    EXPECT_TRUE(WriteRegString(kLm, kPath, "s", "text"));
    EXPECT_EQ(Value(kPath, "s").type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(Value(kPath, "s").data.size(), 5u);  // terminator counted
    EXPECT_TRUE(WriteRegString(kLm, kPath, "s", nullptr));
    EXPECT_FALSE(WriteRegString(kLm, kPath, "s", nullptr));  // nothing left to delete
    const uint8_t bytes[] = {9, 8, 7, 6, 5};
    WriteRegBinary(kLm, kPath, "b", bytes, 5);
    uint32_t size = 0;
    EXPECT_EQ(ReadRegBinary(kLm, kPath, "b", nullptr, &size), 5u);
    uint8_t out[16] = {};
    EXPECT_EQ(ReadRegBinary(kLm, kPath, "b", out, &(size = 4)), 0u);  // too small
    EXPECT_EQ(ReadRegBinary(kLm, kPath, "b", out, &(size = 16)), 5u);
    EXPECT_EQ(std::memcmp(out, bytes, 5), 0);
    WriteRegBinary(kLm, kPath, "b", nullptr, 0);
    EXPECT_FALSE(GetRaw(kPath, "b"));
    PutText(kPath, "hex", "0aFf1");  // bytes kept as hexadecimal text
    EXPECT_EQ(ReadRegBinary(kLm, kPath, "hex", out, &(size = 16)), 2u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 2), "\x0a\xff");
    EXPECT_TRUE(WriteRegDword(kLm, kPath, "d", 0xABCDEF01u));
    EXPECT_EQ(Value(kPath, "d").type, static_cast<DWORD>(REG_DWORD));
    EXPECT_FALSE(WriteRegString(kLm, nullptr, "s", "x"));
    EXPECT_FALSE(WriteRegDword(kLm, kPath, nullptr, 1));

    // A key that cannot be opened or created.
    EXPECT_FALSE(WriteRegString(kLm, (std::string(kPath) + "\\" + std::string(300, 'k')).c_str(), "s", "x"));

    // Text writes create a "Volatile" key volatile; number writes never do.
    EXPECT_TRUE(WriteRegString(kLm, "SOFTWARE\\Velmo\\Volatile", "ldapip", "10.0.0.1"));
    EXPECT_TRUE(KeyIsVolatile(HKEY_LOCAL_MACHINE, View::Wow32, "SOFTWARE\\Velmo\\Volatile"));
    ResetVelmoRegistry();
    EXPECT_TRUE(WriteRegDword(kLm, "SOFTWARE\\Velmo\\Volatile", "AdapUseLdapDirect", 1));
    EXPECT_FALSE(KeyIsVolatile(HKEY_LOCAL_MACHINE, View::Wow32, "SOFTWARE\\Velmo\\Volatile"));
}

TEST_F(Registry, ProtectedValuesAreEncryptedAndPlainOnesStillRead) {
    EXPECT_TRUE(WriteRegString(kLm, kPath, "ADAP_Pwdxxx", "s3cr3t"));
    const std::string first = Value(kPath, "ADAP_Pwdxxx").Text();
    EXPECT_EQ(first.size(), 64u);
    EXPECT_EQ(ReadRegString(kLm, kPath, "ADAP_Pwdxxx"), "s3cr3t");
    EXPECT_TRUE(WriteRegString(kLm, kPath, "ADAP_Pwdxxx", "s3cr3t"));
    EXPECT_NE(Value(kPath, "ADAP_Pwdxxx").Text(), first);  // fresh random bytes each time
    PutText(kPath, "ADAP_Userxxx", "bob");  // stored in plain text: read as it stands
    EXPECT_EQ(ReadRegString(kLm, kPath, "ADAP_Userxxx"), "bob");
    // Too long to read back: refused rather than stored in plain text.
    EXPECT_FALSE(WriteRegString(kLm, kPath, "Longxxx", std::string(998, 'p').c_str()));
    EXPECT_FALSE(GetRaw(kPath, "Longxxx"));
    EXPECT_TRUE(WriteRegString(kLm, kPath, "Longxxx", std::string(997, 'p').c_str()));
    EXPECT_EQ(ReadRegString(kLm, kPath, "Longxxx"), std::string(997, 'p'));
}
