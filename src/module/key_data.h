// ReadData's flow: the host reads back per-user data blocks, and five block
// numbers are OTP functions of its user interface.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmo {

constexpr size_t kReadDataNameMax = 140;

// Block numbers that are OTP functions rather than stored blocks.
constexpr uint32_t kProvisioningUrlBlock = 5;
constexpr uint32_t kHexSecretBlock = 6;
constexpr uint32_t kSendCodeBlock = 7;
constexpr uint32_t kOtpKindBlock = 10;
constexpr uint32_t kOtpSettingBlock = 11;

int ReadKeyData(const char* userName, uint32_t blockNumber, uint8_t* data, uint32_t* length);

}  // namespace velmo
