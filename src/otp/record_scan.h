// Finds every OTP record under the module key: a text value of at least 2
// bytes whose name contains "_key" (user = name without its last 4
// characters) or "Key #1" (an older single record, user "Key #1").
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace velmo {

struct OtpRecord {
    std::string userName;
    std::string secret;  // as verification reads it (100-byte buffer)
};

// Walks the module key's values in the registry's enumeration order, writing
// "scan %s %d %d" for each value as it is examined and handing each record to
// `visit` as soon as it is found; `visit` returns false to end the walk.
// Nothing happens when the module key cannot be opened.
void ForEachRecord(const std::function<bool(const OtpRecord&)>& visit);

// Every record, in enumeration order.
std::vector<OtpRecord> ScanRecords();

}  // namespace velmo
