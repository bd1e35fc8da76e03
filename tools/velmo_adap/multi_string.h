// The list form in which the library hands out several texts: each text
// followed by a NUL, the list ended by an empty text (a second NUL). Pure code.
#pragma once

#include <string>
#include <vector>

namespace velmo::adap {

// The whole list; its size() is the length callers are given, in UTF-16
// units, the final empty text included. Texts must not be empty.
std::wstring BuildMultiString(const std::vector<std::wstring>& texts);

}  // namespace velmo::adap
