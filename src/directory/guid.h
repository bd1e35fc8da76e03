// Fresh identifiers for directory objects.
#pragma once

#include <string>

namespace velmo {

// A new GUID in its standard text form (36 lower-case characters, no
// braces); empty when the platform gives none.
std::u16string NewGuidText();

}  // namespace velmo
