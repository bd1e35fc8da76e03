// Delivery destinations (phone numbers, e-mail addresses) and the values put
// into gateway URLs. Pure code.
#pragma once

#include <string_view>

namespace velmo {

// Below 0x20, or 0x7F. No real number or address has one, and on the wire
// one ends a request line or a header.
bool IsControlCharacter(char c);

// What may be stored as a user's destination: text without control characters.
bool IsStorableDestination(std::string_view destination);

}  // namespace velmo
