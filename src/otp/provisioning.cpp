#include "otp/provisioning.h"

#include <cstring>
#include <vector>

#include "common/platform_random.h"
#include "common/secure_wipe.h"
#include "common/session_identity.h"
#include "common/text.h"
#include "common/trace.h"
#include "common/trace_mask.h"
#include "otp/base32.h"
#include "otp/user_record.h"
#include "settings/registry.h"

namespace velmo {

namespace {

constexpr size_t kRandomBufferSize = 100;
constexpr uint32_t kRandomBytes = 30;
constexpr int32_t kSecretBytes = 20;
// Extra seed text the generator mixes in with the buffer's prior content.
constexpr char kSeedText[] = "VelmoOTP seed2026";
static_assert(sizeof kSeedText == 18, "17 characters and a NUL");
constexpr size_t kSecretShownInTrace = 6;

char g_result[kProvisioningResultSize];

void AppendHexSecret(const std::string& secret) {
    std::vector<uint8_t> bytes((secret.size() + 7) / 8 * 5 + 1);
    const WipeOnExit wipeBytes(bytes);
    const int32_t n = Base32Decode(secret.c_str(), bytes.data(), static_cast<int32_t>(bytes.size() - 1));
    static const char kDigits[] = "0123456789abcdef";
    size_t o = 0;
    for (int32_t i = 0; i < n && o + 2 < sizeof g_result; ++i) {
        g_result[o++] = kDigits[bytes[i] >> 4];
        g_result[o++] = kDigits[bytes[i] & 15];
    }
    g_result[o] = '\0';
}

}  // namespace

void GenerateOTP_Key_User(const char* userName, int mode) {
    uint8_t buffer[kRandomBufferSize] = {};
    const WipeOnExit wipeBuffer(buffer, sizeof buffer);
    std::memcpy(buffer, kSeedText, sizeof kSeedText);
    if (const uint32_t error = FillFromPlatformRandom(buffer, kRandomBytes)) {
        // A secret formed from the seed text alone would be the same for
        // every user and every machine: refuse instead of storing it.
        TraceLog("CryptGenRandom error GLE:%X", static_cast<unsigned>(error));
        return;
    }
    char secret[kSecretReadSize] = {};
    const WipeOnExit wipeSecret(secret, sizeof secret);
    Base32Encode(buffer, kSecretBytes, secret, sizeof secret);

    WriteRecordText(userName, kKeySuffix, secret);
    WriteRecordNumber(userName, kCounterSuffix, static_cast<uint32_t>(mode));
    char shown[kSecretShownInTrace + 1];
    CopyText(shown, secret);
    TraceLog("GenerateOTP_Key_User created config for %s, key: %s",
             RecordValueName(userName, kCounterSuffix).c_str(), Masked(shown));
}

const char* GenerateQR_Code_User(const char* userName, int mode) {
    g_result[0] = '\0';
    char sessionUser[kSessionNameSize], domain[kSessionNameSize];
    GetSessionUserName(sessionUser, domain, kSessionNameSize);

    const std::string secret = ReadSecret(userName);
    if (secret.empty()) {
        TraceLog("GenerateQR_Code_User, no config for %s", RecordValueName(userName, kKeySuffix).c_str());
        return g_result;
    }
    if (mode != 0) {
        AppendHexSecret(secret);
        return g_result;
    }

    const std::string uri = Format("otpauth://totp/%s@%s?secret=%s", userName ? userName : "", domain, secret.c_str());
    ReadRegText(RegRoot::LocalMachine, kOtpModuleKey, "QrCodeGenerator", g_result, kQrPrefixReadSize);
    // The URI must never be cut: a cut secret would provision a token that
    // can never log on. A configured prefix too long to leave room for it
    // gives way to the built-in one.
    if (BoundedLength(g_result, 2) < 2 || BoundedLength(g_result, sizeof g_result) + uri.size() >= sizeof g_result) {
        if (g_result[0] && g_result[1]) TraceLog("GenerateQR_Code_User, QrCodeGenerator too long, built-in used");
        CopyText(g_result, kBuiltInQrPrefix);
    }
    AppendText(g_result, uri);
    return g_result;
}

}  // namespace velmo
