// Finds every OTP record under the module key: a text value of at least 2
// bytes whose name contains "_key" (user = name without its last 4
// characters) or "Key #1" (an older single record, user "Key #1").
#pragma once

#include <string>
#include <vector>

namespace velmo {

struct OtpRecord {
    std::string userName;
    std::string secret;  // as verification reads it (100-byte buffer)
};

// Records in the registry's enumeration order; empty when the module key
// cannot be opened. Writes "scan %s %d %d" for every value examined.
std::vector<OtpRecord> ScanRecords();

}  // namespace velmo
