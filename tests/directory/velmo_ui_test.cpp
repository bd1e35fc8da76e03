// velmo_ui.dll's two exports, loaded as the module loads them, against a key
// and a signature that Python's cryptography package made (RSA 1,024 bits,
// PKCS #1 v1.5 over SHA-256, as the domain's OTP service signs). What the
// service decides is seen end to end in domain_logon_test.sh.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

#include "common/win_handles.h"
#include "support/service_key.h"
#include "velmo_ui.h"

using namespace velmo;

constexpr const char* kKey = test::kServiceKey;
constexpr const char* kSignatureOf123456 = test::kServiceSignatureOf123456;

TEST(VelmoUi, ASignatureIsValidForItsValueOnlyAndHostileTextsAreRefused) {
    const UniqueModule ui{LoadLibraryA("velmo_ui.dll")};
    ASSERT_TRUE(ui);
    const auto check = reinterpret_cast<decltype(&WlxCheckValueSignature)>(
        reinterpret_cast<void*>(GetProcAddress(ui.get(), "WlxCheckValueSignature")));
    const auto encrypt =
        reinterpret_cast<decltype(&WlxEncryptPKI)>(reinterpret_cast<void*>(GetProcAddress(ui.get(), "WlxEncryptPKI")));

    std::string tampered = kSignatureOf123456;
    tampered[10] = tampered[10] == 'A' ? 'B' : 'A';
    const std::string signature = kSignatureOf123456, longText(10000, '7'), cut = signature.substr(4), overOaep(100, '7');
    const char* s = signature.c_str();
    const struct {
        const char *value, *signature, *key;
        int result;  // 1, 0, or -1 for any negative result
    } rows[] = {
        {"123456", s, kKey, 1},           {"123456", tampered.c_str(), kKey, 0}, {"123457", s, kKey, 0},
        {"123456", "refused", kKey, -1},  {"123456", cut.c_str(), kKey, -1},     {longText.c_str(), s, kKey, -1},
        {"123456", s, "a key?", -1},      {nullptr, nullptr, nullptr, -1},
    };
    for (const auto& row : rows)
        EXPECT_EQ(std::max(check(row.value, row.signature, row.key), -1), row.result)
            << (row.value ? row.value : "(null)") << " " << (row.signature ? row.signature : "(null)");

    char output[200] = {};
    EXPECT_GE(encrypt(kKey, "123456", output), 64);  // the module then leaves its session key alone
    EXPECT_EQ(std::string(output).find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
              std::string::npos);
    for (const char* plain : {longText.c_str(), overOaep.c_str(), static_cast<const char*>(nullptr)}) {
        EXPECT_LE(encrypt(kKey, plain, output), 0);
        EXPECT_STREQ(output, "");
    }
    EXPECT_LE(encrypt(kKey, "123456", nullptr), 0);
}
