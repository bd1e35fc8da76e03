// Which user a value under the module key is the secret of. Pure code.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmo {

// A name containing "_key" is the secret of the user named by the text
// without its last 4 characters ("carol_key2" -> "carol_"); a name containing
// "Key #1" is the older single record, whose user is the whole name; any
// other value is not a secret.
std::optional<std::string> RecordUserOf(std::string_view valueName);

}  // namespace velmo
