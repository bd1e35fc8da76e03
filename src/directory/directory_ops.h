// The directory operations the logon flows call. Domain mode ("VelmoADmode"
// = 1) keeps per-user records in the directory; outside it these operations
// change nothing, and without a directory the user lookup answers -1.
#pragma once

#include <cstddef>
#include <string>

namespace velmo {

// Domain mode: the host setting "VelmoADmode" is exactly 1 (read at each use).
bool DomainModeOn();

// 1 when the directory was last found unreachable (directory_state.h).
int IsDirectoryOffline();

// Copies the user's directory record into the local record values.
void VelmoADAP_GetUserOtpInfo(const char* userName);

// Creates or updates the user's directory object from the local record;
// without a key type and secret, updates the object last fetched.
void VelmoADAP_AddUserOtpInfo(const char* userName, const char* keyType, const char* secret);

// Posts a logon request for a domain controller; the request's identifier,
// empty when posting failed.
std::wstring VelmoADAP_SelfEnroll_PutOTP(const char* userName, const char* codeText);

// The domain controller's answer to a posted request: 1 accepted, 0 rejected,
// -1 no usable answer.
int VelmoADAP_SelfEnroll_GetOTPReply(const std::wstring& request, const char* codeText, const char* userName);

// Mobile number, office number or e-mail address of a domain user into
// `destination` (at least 90 bytes): 1 found, 0 no such user, -1 no
// directory, 2 the user's object could not be opened (discovery.h).
int FindADUser_DomainGroup(const char* userName, char* destination, size_t destinationSize);

// "CN=" and the identifier of the directory object last fetched; fewer than
// 3 characters mean nothing has been fetched.
size_t LastOtpEntryNameLength();
void ResetLastOtpEntryName();  // to a single blank

}  // namespace velmo
