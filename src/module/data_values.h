// WriteData / DeleteData: the numbered data blocks the host keeps per user.
#pragma once

#include <cstdint>

namespace velmo {

constexpr size_t kWriteDataNameMax = 40;
constexpr size_t kDeleteDataNameMax = 20;

// Stores (or with length 0 deletes) block `blockNumber` of the user and makes
// sure the user has an OTP secret. 0 for a bad user name, else 1.
int WriteDataBlock(const char* userName, uint32_t blockNumber, const uint8_t* data, const uint32_t* length);

// Deletes the block and the user's whole OTP record (U_step and the other
// blocks stay). 0 for a bad user name, else 1.
int DeleteDataBlock(const char* userName, uint32_t blockNumber);

}  // namespace velmo
