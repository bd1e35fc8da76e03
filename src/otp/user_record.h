// A user's OTP record: registry values under the module key named after the
// user (alice_key, alice#, alice_step, alice_skew, alice_history, alice_sms,
// alice_1, ...), and the module-wide OTP settings beside them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "otp/code_check.h"

namespace velmo {

// Value-name suffixes.
inline constexpr char kKeySuffix[] = "_key";
inline constexpr char kCounterSuffix[] = "#";
inline constexpr char kStepSuffix[] = "_step";
inline constexpr char kSkewSuffix[] = "_skew";
inline constexpr char kHistorySuffix[] = "_history";
inline constexpr char kDestinationSuffix[] = "_sms";

// Read sizes and limits of record values.
constexpr uint32_t kSecretReadSize = 100;       // U_key as verification and provisioning read it
constexpr uint32_t kDestinationReadSize = 280;  // U_sms
constexpr size_t kMaxDestinationLength = 179;   // destinations of 180 characters are refused

// "alice" + "_key" -> "alice_key".
std::string RecordValueName(const char* userName, const char* suffix);
// The data block value "%s_%i" (the block number printed as a signed int).
std::string BlockValueName(const char* userName, uint32_t blockNumber);

// Text values (the module key, never decrypted or encrypted).
std::string ReadRecordText(const char* userName, const char* suffix, uint32_t readSize);
bool WriteRecordText(const char* userName, const char* suffix, const char* text);  // null deletes
void DeleteRecordValue(const char* userName, const char* suffix);

uint32_t ReadRecordNumber(const char* userName, const char* suffix, uint32_t defaultValue);
bool WriteRecordNumber(const char* userName, const char* suffix, uint32_t value);

// The user's secret as verification reads it (100-byte buffer); empty means
// the user has no OTP configuration.
std::string ReadSecret(const char* userName);

// Sets (shorter than 180 characters: also U# = 0, result 1), refuses (180 or
// more, or a control character: result 0) or, with a null destination,
// deletes (result 0) U_sms.
uint32_t Manage_SMS_Number_User(const char* userName, const char* newDestination);

// U_step in seconds, signed as stored; 0, missing or unreadable give 30.
int32_t ReadTimeStep(const char* userName);

}  // namespace velmo
