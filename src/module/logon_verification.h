// VerifyPIN's flow: the code a user typed at logon in place of a PIN.
#pragma once

namespace velmo {

// 1 accepted, 0 rejected. Cuts a code longer than 10 characters in the
// caller's buffer (which must hold at least 11 bytes).
int VerifyLogonCode(const char* userName, char* codeText);

}  // namespace velmo
