// A user's secret: generated from the platform's random generator, and
// handed out as a provisioning URL (a QR picture of an otpauth:// URI) or as
// hexadecimal for programming a hardware token.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmo {

constexpr size_t kProvisioningResultSize = 504;
constexpr uint32_t kQrPrefixReadSize = 490;
constexpr int kTimeBased = 0;     // mode: U# = 0, TOTP
constexpr int kCounterBased = 1;  // mode: U# = 1, HOTP starting at 1

// The QR chart service used when "QrCodeGenerator" is not set.
inline constexpr char kBuiltInQrPrefix[] =
    "https://chart.googleapis.com/chart?cht=qr&chs=200x200&choe=UTF-8&chld=H&chl=";

// Stores a new 32-character Base32 secret (20 random bytes) as U_key and the
// mode as U#. When the random generator fails nothing is stored.
void GenerateOTP_Key_User(const char* userName, int mode);

// Mode 0: the picture URL of "otpauth://totp/USER@DOMAIN?secret=SECRET";
// any other mode: the secret in lower-case hexadecimal. Empty when the user
// has no U_key. The text lives in one module-wide buffer that the next call
// overwrites.
const char* GenerateQR_Code_User(const char* userName, int mode);

// True when the user has an OTP configuration (a non-empty U_key).
inline bool HasOtpConfiguration(const char* userName) { return GenerateQR_Code_User(userName, 0)[0] != '\0'; }

}  // namespace velmo
