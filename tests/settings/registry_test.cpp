// The ReadReg / WriteReg family against Wine's real registry.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings/registry.h"
#include "support/trace_capture.h"
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
    TraceCapture trace;
};

std::string Text(const char* name, uint32_t size = 400) {
    std::string buffer(size, 'x');
    ReadRegText(kLm, kPath, name, buffer.data(), size);
    return buffer.c_str();
}

}  // namespace

TEST_F(Registry, MissingValuesGiveDefaultsAndTheStringReaderTracesTheMiss) {
    PutText(kPath, "present", "x");
    EXPECT_EQ(ReadRegDword(kLm, kPath, "absent", 77), 77u);
    EXPECT_EQ(Text("absent"), "");
    uint32_t size = 16;
    uint8_t bytes[16];
    EXPECT_EQ(ReadRegBinary(kLm, kPath, "absent", bytes, &size), 0u);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(ReadRegString(kLm, kPath, "absent"), "");
    EXPECT_EQ(trace.StartingWith("Err ReadReg absent 2 ").size(), 1u);
    EXPECT_EQ(trace.StartingWith("ReadReg lpbyte failed 2 SOFTWARE\\Velmo absent").size(), 1u);
    // No key at all.
    EXPECT_EQ(ReadRegString(kLm, "SOFTWARE\\Velmo\\Nowhere", "v"), "");
    EXPECT_EQ(ReadRegDword(kLm, "SOFTWARE\\Velmo\\Nowhere", "v", 5), 5u);
}

TEST_F(Registry, TextReadsCutAtTheirLimits) {
    PutText(kPath, "long", std::string(150, 'a') + "b");
    EXPECT_EQ(Text("long", 100), std::string(96, 'a'));  // N - 4 characters
    PutText(kPath, "fits", std::string(96, 'c'));
    EXPECT_EQ(Text("fits", 100), std::string(96, 'c'));
    PutText(kPath, "huge", std::string(4000, 'h'));
    EXPECT_EQ(Text("huge", 100), "");
    EXPECT_EQ(Text("long", 3), "");  // too small to hold anything
    EXPECT_EQ(ReadRegText(kLm, kPath, "long", nullptr, 100), nullptr);

    PutText(kPath, "big", std::string(2099, 'g'));  // 2,100 bytes with the terminator
    EXPECT_EQ(ReadRegString(kLm, kPath, "big"), "");
    EXPECT_TRUE(trace.Contains("Err ReadReg big 0 834"));
    PutText(kPath, "limit", std::string(2023, 'l'));
    EXPECT_EQ(ReadRegString(kLm, kPath, "limit").size(), 2023u);
}

TEST_F(Registry, NumbersAndTextsConvert) {
    PutDword(kPath, "max", 4294967295u);
    EXPECT_EQ(ReadRegString(kLm, kPath, "max"), "4294967295");
    EXPECT_EQ(Text("max"), "-1");

    const struct {
        const char* text;
        uint32_t expected;
    } cases[] = {{"0123", 0},  {"0", 0},   {"", 9},     {"abc", 9},  {"1.5", 9},
                 {"42", 42},   {"  -7", 0xFFFFFFF9u}, {"12abc", 12}, {" 0", 9}, {"1234567890123456789", 2147483647u}};
    for (const auto& c : cases) {
        PutText(kPath, "n", c.text);
        EXPECT_EQ(ReadRegDword(kLm, kPath, "n", 9), c.expected) << '"' << c.text << '"';
    }
    PutText(kPath, "n", std::string(19, '1') + "1");  // 20 bytes without the terminator
    EXPECT_EQ(ReadRegDword(kLm, kPath, "n", 9), 9u);
    const uint8_t four[] = {0x78, 0x56, 0x34, 0x12, 0x99};
    PutRaw(HKEY_LOCAL_MACHINE, View::Wow32, kPath, "b", REG_BINARY, four, 5);
    EXPECT_EQ(ReadRegDword(kLm, kPath, "b", 9), 0x12345678u);
    PutRaw(HKEY_LOCAL_MACHINE, View::Wow32, kPath, "b", REG_BINARY, four, 2);
    EXPECT_EQ(ReadRegDword(kLm, kPath, "b", 9), 0x5678u);
}

TEST_F(Registry, ViewsAreTriedThirtyTwoBitFirstAndWrittenWhereFound) {
    PutText(kPath, "only32", "thirty-two", View::Wow32);
    PutText("SOFTWARE\\Velmo64", "only64", "sixty-four", View::Wow64);
    PutDword("SOFTWARE\\Velmo64", "n64", 64, View::Wow64);
    EXPECT_EQ(ReadRegString(kLm, kPath, "only32"), "thirty-two");
    EXPECT_EQ(ReadRegString(kLm, "SOFTWARE\\Velmo64", "only64"), "sixty-four");
    EXPECT_EQ(ReadRegDword(kLm, "SOFTWARE\\Velmo64", "n64", 0), 64u);

    EXPECT_TRUE(WriteRegString(kLm, kPath, "only32", "new32"));
    EXPECT_TRUE(WriteRegString(kLm, "SOFTWARE\\Velmo64", "only64", "new64"));
    EXPECT_EQ(GetRaw(kPath, "only32", View::Wow32)->Text(), "new32");
    EXPECT_FALSE(GetRaw(kPath, "only32", View::Wow64).has_value());
    EXPECT_EQ(GetRaw("SOFTWARE\\Velmo64", "only64", View::Wow64)->Text(), "new64");
    EXPECT_FALSE(GetRaw("SOFTWARE\\Velmo64", "only64", View::Wow32).has_value());

    EXPECT_TRUE(WriteRegDword(kLm, "SOFTWARE\\Velmo\\Fresh", "n", 7));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, View::Wow32, "SOFTWARE\\Velmo\\Fresh"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, View::Wow64, "SOFTWARE\\Velmo\\Fresh"));

    HKEY parent = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &parent) == ERROR_SUCCESS) {
        RegDeleteTreeA(parent, "Velmo64");
        RegCloseKey(parent);
    }
}

TEST_F(Registry, WritesStoreTypesAndNullDeletes) {
    EXPECT_TRUE(WriteRegString(kLm, kPath, "s", "text"));
    auto raw = GetRaw(kPath, "s");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw->data.size(), 5u);  // terminator counted
    EXPECT_TRUE(WriteRegString(kLm, kPath, "s", nullptr));
    EXPECT_FALSE(GetRaw(kPath, "s"));
    EXPECT_FALSE(WriteRegString(kLm, kPath, "s", nullptr));  // nothing left to delete

    const uint8_t bytes[] = {1, 2, 3};
    WriteRegBinary(kLm, kPath, "b", bytes, 3);
    EXPECT_EQ(GetRaw(kPath, "b")->type, static_cast<DWORD>(REG_BINARY));
    WriteRegBinary(kLm, kPath, "b", nullptr, 0);
    EXPECT_FALSE(GetRaw(kPath, "b"));

    EXPECT_TRUE(WriteRegDword(kLm, kPath, "d", 0xABCDEF01u));
    EXPECT_EQ(GetRaw(kPath, "d")->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(GetRaw(kPath, "d")->Dword(), 0xABCDEF01u);

    // Null arguments are refused without a crash.
    EXPECT_FALSE(WriteRegString(kLm, nullptr, "s", "x"));
    EXPECT_FALSE(WriteRegDword(kLm, kPath, nullptr, 1));
    EXPECT_EQ(ReadRegString(kLm, kPath, nullptr), "");
    EXPECT_EQ(ReadRegBinary(kLm, kPath, "b", nullptr, nullptr), 0u);

    // A key that cannot be opened or created: only a failed byte store traces.
    const std::string badKey = std::string(kPath) + "\\" + std::string(300, 'k');
    trace.Clear();
    EXPECT_FALSE(WriteRegString(kLm, badKey.c_str(), "s", "x"));
    WriteRegBinary(kLm, badKey.c_str(), "b", nullptr, 0);
    EXPECT_TRUE(trace.Lines().empty());
    WriteRegBinary(kLm, badKey.c_str(), "b", bytes, 3);
    EXPECT_EQ(trace.StartingWith("WriteReg failed ").size(), 1u);
}

TEST_F(Registry, BinaryReadsDecodeHexTextAndReportSizes) {
    const uint8_t stored[] = {9, 8, 7, 6, 5};
    WriteRegBinary(kLm, kPath, "bin", stored, sizeof stored);
    uint32_t size = 0;
    EXPECT_EQ(ReadRegBinary(kLm, kPath, "bin", nullptr, &size), 5u);
    uint8_t out[16] = {};
    size = sizeof out;
    EXPECT_EQ(ReadRegBinary(kLm, kPath, "bin", out, &size), 5u);
    EXPECT_EQ(std::memcmp(out, stored, 5), 0);

    size = 4;  // too small
    EXPECT_EQ(ReadRegBinary(kLm, kPath, "bin", out, &size), 0u);
    EXPECT_EQ(size, 0u);
    EXPECT_TRUE(trace.Contains("ReadReg lpbyte failed EA SOFTWARE\\Velmo bin"));

    PutText(kPath, "hex", "0aFf1");
    size = sizeof out;
    EXPECT_EQ(ReadRegBinary(kLm, kPath, "hex", out, &size), 2u);
    EXPECT_EQ(out[0], 0x0A);
    EXPECT_EQ(out[1], 0xFF);
    EXPECT_TRUE(trace.Contains("ReadReg HEX 0AFF"));
}

TEST_F(Registry, ProtectedValuesAreEncryptedAndPlainOnesStillRead) {
    EXPECT_TRUE(WriteRegString(kLm, kPath, "ADAP_Pwdxxx", "s3cr3t"));
    const std::string first = GetRaw(kPath, "ADAP_Pwdxxx")->Text();
    EXPECT_EQ(first.size(), 64u);
    EXPECT_EQ(first.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(ReadRegString(kLm, kPath, "ADAP_Pwdxxx"), "s3cr3t");
    EXPECT_TRUE(WriteRegString(kLm, kPath, "ADAP_Pwdxxx", "s3cr3t"));
    EXPECT_NE(GetRaw(kPath, "ADAP_Pwdxxx")->Text(), first);
    EXPECT_EQ(ReadRegString(kLm, kPath, "ADAP_Pwdxxx"), "s3cr3t");

    trace.Clear();
    PutText(kPath, "ADAP_Userxxx", "bob");
    EXPECT_EQ(ReadRegString(kLm, kPath, "ADAP_Userxxx"), "bob");
    EXPECT_TRUE(trace.Contains("CPassword::DecryptBuffer, null input"));
    EXPECT_TRUE(trace.Contains("ReadReg 'ADAP_Userxxx' DecryptBuffer fail"));

    // A damaged ciphertext is returned as stored.
    std::string damaged = first;
    damaged[0] = damaged[0] == 'A' ? 'B' : 'A';
    PutText(kPath, "ADAP_Pwdxxx", damaged);
    EXPECT_EQ(ReadRegString(kLm, kPath, "ADAP_Pwdxxx"), damaged);

    // Too long to read back: refused rather than stored in plain text.
    EXPECT_FALSE(WriteRegString(kLm, kPath, "Longxxx", std::string(998, 'p').c_str()));
    EXPECT_FALSE(GetRaw(kPath, "Longxxx"));
    EXPECT_TRUE(WriteRegString(kLm, kPath, "Longxxx", std::string(997, 'p').c_str()));
    EXPECT_EQ(ReadRegString(kLm, kPath, "Longxxx"), std::string(997, 'p'));
}

TEST_F(Registry, TextWritesCreateVolatileKeysNumberWritesOrdinaryOnes) {
    EXPECT_TRUE(WriteRegString(kLm, "SOFTWARE\\Velmo\\Volatile", "ldapip", "10.0.0.1"));
    EXPECT_TRUE(KeyIsVolatile(HKEY_LOCAL_MACHINE, View::Wow32, "SOFTWARE\\Velmo\\Volatile"));
    ResetVelmoRegistry();
    EXPECT_TRUE(WriteRegDword(kLm, "SOFTWARE\\Velmo\\Volatile", "AdapUseLdapDirect", 1));
    EXPECT_FALSE(KeyIsVolatile(HKEY_LOCAL_MACHINE, View::Wow32, "SOFTWARE\\Velmo\\Volatile"));
}
