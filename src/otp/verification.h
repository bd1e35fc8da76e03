// Whether a typed code is valid for a user's OTP record, keeping the record's
// state so that a code cannot be used twice and a token whose clock or
// counter has drifted is still accepted.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmo {

constexpr size_t kMaxCodeLength = 10;

// Checks `codeText` against the record of `userName` whose secret is
// `secretText`: remotely when "URL" is set, else over the verification window
// and, while no skew is learned, the wide skew search. An accepted code
// advances the counter or learns the skew and enters the replay history; a
// rejected one changes nothing (the remote path stores "URL-ret").
bool verifyDevicePIN(const char* userName, const char* secretText, const char* codeText);

// False when `counter` was used before; otherwise records it (newest first,
// 400 entries) and answers true. "DisableOtpHistory" switches this off.
bool invalidate_timebased_code(const char* userName, uint32_t counter);

// Finds the record that accepts `codeText` and copies its user name to
// `outUserName` (room `outSize`): 1 found, 0 not. With an empty code it lists
// every record's user in the registered user list instead.
int findVerifyUserName(const char* codeText, char* outUserName, size_t outSize);

}  // namespace velmo
