// The domain's OTP service (tools/directory/otp_service.py, which CTest starts
// against the test directory) answering requests posted the way a
// workstation posts them, with velmo_ui.dll loaded as the module loads it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/win_handles.h"
#include "otp/base32.h"
#include "settings/aes256.h"
#include "settings/hex.h"
#include "support/directory_fixture.h"
#include "support/otp_codes.h"
#include "support/windows_env.h"
#include "velmo_adap.h"
#include "velmo_ui.h"

using namespace velmo;
using namespace velmo::test;
using namespace std::chrono;

namespace {

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

class OtpService : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ui_ && adap_);
        ASSERT_FALSE(directory_["host"].empty() || publicKey_.empty()) << "no test directory or service key";
        credential_.insert(credential_.end(), password_.begin(), password_.end());
        credential_.push_back(0);
    }
    std::wstring Path(const wchar_t* container, const std::wstring& name) {
        return L"LDAP://" + Wide(directory_["host"] + ":" + directory_["port"]) + L"/CN=" + name + L"," + container +
               L",DC=Velmo,DC=com";
    }
    // As the operator, through the access library, as the module writes and reads.
    void Write(const std::wstring& path, const wchar_t* objectClass, const std::map<std::wstring, std::wstring>& values) {
        uint32_t handle = 0;
        ASSERT_EQ(LDAP_CreateObject(&handle, path.c_str(), objectClass, account_.c_str(), credential_.data()), 0u);
        for (const auto& [name, value] : values) EXPECT_EQ(LDAP_SetAttr(handle, name.c_str(), value.c_str()), 0u);
        EXPECT_EQ(LDAP_FlushObject(handle), 0u);
        LDAP_CloseObject(handle);
    }
    std::string Read(const std::wstring& path, const wchar_t* name) {
        uint32_t handle = 0;
        wchar_t* value = nullptr;
        if (LDAP_OpenObject(&handle, path.c_str(), account_.c_str(), credential_.data()) == 0)
            LDAP_GetAttr(handle, name, &value);
        const std::wstring text = value ? value : L"";
        LDAP_FreeBuffer(value);
        LDAP_CloseObject(handle);
        return std::string(text.begin(), text.end());
    }
    std::wstring Encrypt(const std::string& plain) {
        char output[200] = {};
        const int result = WlxEncryptPKI(publicKey_.c_str(), plain.c_str(), output);
        EXPECT_GE(result, 64) << plain;  // the module then leaves its session key alone
        EXPECT_EQ(static_cast<size_t>(result), strlen(output));
        return Wide(output);
    }

    std::map<std::string, std::string> directory_ = DirectoryInstance("directory");
    std::wstring account_ = Wide(directory_["operator"]), password_ = Wide(directory_["operator_password"]);
    std::vector<uint16_t> credential_{0};  // flags, then the password
    std::string publicKey_ = ReadWholeFile("Z:" + std::string(std::getenv("VELMO_DIRECTORY_DIR")) + "/service.publickey");
    UniqueModule ui_{LoadLibraryA("velmo_ui.dll")}, adap_{LoadLibraryA("velmo_adap.dll")};
#define ENTRY(module, name) \
    decltype(&::name) name = reinterpret_cast<decltype(&::name)>(reinterpret_cast<void*>(GetProcAddress(module.get(), #name)))
    ENTRY(ui_, WlxEncryptPKI);
    ENTRY(ui_, WlxCheckValueSignature);
    ENTRY(adap_, LDAP_OpenObject);
    ENTRY(adap_, LDAP_CreateObject);
    ENTRY(adap_, LDAP_CloseObject);
    ENTRY(adap_, LDAP_SetAttr);
    ENTRY(adap_, LDAP_GetAttr);
    ENTRY(adap_, LDAP_FlushObject);
    ENTRY(adap_, LDAP_FreeBuffer);
#undef ENTRY
};

}  // namespace

TEST_F(OtpService, SignsRightCodesAndSendsTheSecretAndRefusesEverythingElse) {
    std::mt19937 rng(GetTickCount());
    const std::wstring stamp = std::to_wstring(GetTickCount()), totp = L"totp-" + stamp, hotp = L"hotp-" + stamp;
    const std::string secret = RandomSecret(rng, 20);
    for (const auto& [user, counter, skew] : {std::tuple{totp, L"0", L"-2"}, std::tuple{hotp, L"5", L"200"}})
        Write(Path(L"CN=SecretKeys", user), L"kvSecretKey",
              {{L"kvUserName", user}, {L"kvOathSecret", Wide(secret)}, {L"kvOathCounter", counter},
               {L"kvOathInterval", L"30"}, {L"kvOathDestination", skew}});
    const uint32_t now = static_cast<uint32_t>(std::time(nullptr) / 30) - 2;  // with the user's skew
    auto code = [&](uint32_t counter) { return CodeText(secret.c_str(), counter); };
    struct Row {
        const char* what;
        std::wstring user;
        std::string code;
        bool sessionKey, accepted;
        std::wstring authData = L"";  // else the encrypted code
    } rows[] = {
        {"right code, session key", totp, code(now), true, true},
        {"the same code again", totp, code(now), true, false},
        {"right code, no session key", totp, code(now + 3), false, true},
        {"outside the window", totp, code(now + 8), true, false},
        {"wrong code", totp, SixDigits((std::stoi(code(now + 1)) + 1) % 1000000), true, false},
        {"HOTP counter in the window", hotp, code(5 + 200 + 4), true, true},
        {"no encryption library on the workstation", totp, code(now + 1), true, false, L"-"},
        {"no record for the user", L"nobody-" + stamp, code(now + 2), true, false},
    };
    std::vector<double> answerMs;
    std::string token, accepted;
    int posts = 0;
    for (const auto& row : rows) {
        uint8_t sessionKey[kAes256KeySize];
        for (auto& keyByte : sessionKey) keyByte = static_cast<uint8_t>(rng());
        std::map<std::wstring, std::wstring> request = {
            {L"kvUserName", row.user}, {L"kvSignalType", L"OTP-Auth"}, {L"kvReplyToken", L" "},
            {L"kvUserAuthData", row.authData.empty() ? Encrypt(row.code) : row.authData}};
        if (row.sessionKey) request[L"kvUserAttr1"] = Encrypt(HexEncode(sessionKey, sizeof sessionKey));
        const std::wstring path = Path(L"CN=SelfEnrolls", stamp + L"-" + std::to_wstring(++posts));
        const auto posted = steady_clock::now();
        Write(path, L"kvSelfEnroll", request);
        while ((token = Read(path, L"kvReplyToken")).size() < 3 && steady_clock::now() - posted < 3s)
            std::this_thread::sleep_for(10ms);
        answerMs.push_back(duration<double, std::milli>(steady_clock::now() - posted).count());
        ASSERT_GE(token.size(), 3u) << row.what << ": no answer";

        const int valid = WlxCheckValueSignature(row.code.c_str(), token.c_str(), publicKey_.c_str());
        EXPECT_EQ(valid > 0, row.accepted) << row.what << " " << valid;
        const std::string block = Read(path, L"kvUserAttr1");
        if (!row.accepted) continue;
        accepted = token;
        // No block without a session key, a blank when the skew does not fit its byte.
        if (!row.sessionKey || row.user == hotp) {
            EXPECT_EQ(block, row.sessionKey ? " " : "") << row.what;
            continue;
        }
        ASSERT_EQ(block.size(), 64u) << row.what;
        uint8_t plain[32], expected[20];
        HexDecode(block.c_str(), plain, sizeof plain);
        Aes256 aes(sessionKey);
        for (size_t at = 0; at < sizeof plain; at += kAesBlockSize) aes.DecryptBlock(plain + at, plain + at);
        ASSERT_EQ(Base32Decode(secret.c_str(), expected, sizeof expected), 20);
        EXPECT_TRUE(std::equal(expected, expected + 20, plain)) << row.what;
        EXPECT_EQ(plain[21] | plain[22], 0) << row.what;
        EXPECT_EQ(static_cast<int8_t>(plain[31]), -2) << row.what;
    }
    // Accepted counters are spent for the whole domain: newest first, as workstations keep them.
    const uint32_t spent[] = {now + 3, now};
    EXPECT_EQ(Read(Path(L"CN=SecretKeys", totp), L"kvOathHistory"), HexEncode(reinterpret_cast<const uint8_t*>(spent), 8));
    EXPECT_EQ(Read(Path(L"CN=SecretKeys", hotp), L"kvOathCounter"), "210");
    std::sort(answerMs.begin(), answerMs.end());
    std::printf("service answer time (post to reply seen), %zu requests: min %.0f ms, median %.0f ms, max %.0f ms\n",
                answerMs.size(), answerMs.front(), answerMs[answerMs.size() / 2], answerMs.back());

    // The last accepted token (the HOTP code's) as the workstation checks it, and hostile texts.
    std::string tampered = accepted;
    tampered[10] = tampered[10] == 'A' ? 'B' : 'A';
    const std::string right = code(209), longText(10000, '7'), cut = accepted.substr(4), overOaep(100, '7');
    const char *value = right.c_str(), *key = publicKey_.c_str();
    struct Check {
        const char *value, *signature, *key;
        int result;  // 0, or -1 for any negative result
    } checks[] = {
        {value, tampered.c_str(), key, 0},         {"000001", accepted.c_str(), key, 0},
        {value, "refused", key, -1},               {value, cut.c_str(), key, -1},
        {longText.c_str(), accepted.c_str(), key, -1}, {value, accepted.c_str(), "a key?", -1},
        {nullptr, nullptr, nullptr, -1},
    };
    for (const auto& check : checks)
        EXPECT_EQ(std::max(WlxCheckValueSignature(check.value, check.signature, check.key), -1), check.result)
            << (check.signature ? check.signature : "(null)");
    for (const char* plain : {longText.c_str(), overOaep.c_str(), static_cast<const char*>(nullptr)}) {
        char output[200] = {};
        EXPECT_LE(WlxEncryptPKI(key, plain, output), 0);
        EXPECT_STREQ(output, "");
    }
    EXPECT_LE(WlxEncryptPKI(key, value, nullptr), 0);
}
