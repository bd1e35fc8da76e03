// The OTP functions behind ReadData's block numbers 7, 10 and 11, and the
// OTP type text they share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velmo {

// "totp" or "hotp" followed by six zero bytes; the SMS kind is "sms-otp,"
// followed by the destination and its NUL.
constexpr size_t kOtpTypeTextSize = 10;
enum class OtpKind { TimeBased, CounterBased };
void WriteOtpTypeText(uint8_t* data, OtpKind kind);

bool IsOtpFunction(uint32_t blockNumber);
// Domain mode on a workstation.
bool DomainWorkstation();

int SendCodeToUser(const std::string& user, uint8_t* data, uint32_t* length);
int QueryOtpKind(const std::string& user, uint8_t* data, uint32_t* length);
int ApplyOtpSetting(const std::string& user, uint8_t* data, uint32_t* length);

}  // namespace velmo
