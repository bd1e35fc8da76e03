// Whether a typed code is valid for a user's OTP record in the registry: the
// remote verification service decides when "URL" is set, otherwise the local
// rules of code_check.h over the user's record values.
#pragma once

#include <cstddef>
#include <cstdint>

#include "otp/code_check.h"

namespace velmo {

// Told of a record that an accepted code moved on, once its values are
// stored (a code the remote service accepts moves no record). The logon flow
// hands the record to the directory here; null tells nobody.
using RecordMovedOn = void (*)(const char* userName);

// Checks `codeText` against the record of `userName` whose secret is
// `secretText`. An accepted code advances the counter or learns the skew and
// enters the replay history; a rejected one changes nothing (the remote path
// stores "URL-ret").
bool verifyDevicePIN(const char* userName, const char* secretText, const char* codeText,
                     RecordMovedOn movedOn = nullptr);

// The same local decision over the registry record, without the remote
// service and without bringing the directory copy up to date: for a
// self-test that must stay on this machine.
bool CheckCodeLocally(const char* userName, const char* secretText, const char* codeText);

// Finds the record that accepts `codeText` and copies its user name to
// `outUserName` (room `outSize`): 1 found, 0 not. With an empty code it lists
// every record's user in the registered user list instead.
int findVerifyUserName(const char* codeText, char* outUserName, size_t outSize, RecordMovedOn movedOn = nullptr);

}  // namespace velmo
