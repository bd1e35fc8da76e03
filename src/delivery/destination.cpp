#include "delivery/destination.h"

#include <algorithm>

namespace velmo {

bool IsControlCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

bool IsStorableDestination(std::string_view destination) {
    return std::none_of(destination.begin(), destination.end(), IsControlCharacter);
}

}  // namespace velmo
