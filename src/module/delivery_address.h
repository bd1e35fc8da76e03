// A user's mobile number or e-mail address from the domain directory, tried
// with the logon name and then with the local account's full name.
#pragma once

#include <cstddef>
#include <string>

namespace velmo {

// True when the directory lookup ran (either try answered non-zero); the
// address (possibly empty) is then in `address` (room `size`).
bool LookUpDeliveryAddress(const std::string& user, char* address, size_t size);

}  // namespace velmo
