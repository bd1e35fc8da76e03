// The working copy of a user name that each export forms from the host's
// text: its user part names every record value. Pure code.
#pragma once

#include <cstddef>
#include <string>

namespace velmo {

constexpr size_t kWorkingNameMax = 90;

// At most 90 characters, cut at the first "@" (alice@corp -> alice). A
// domain prefix with a backslash stays.
std::string LogonWorkingName(const char* nameAsPassed);

// As LogonWorkingName, except that a name holding a backslash becomes the
// text after its first backslash (at most 90 characters, not cut at "@").
std::string DataWorkingName(const char* nameAsPassed);

// Whether a user name as passed is taken: present and at most `maxLength`
// long; ReadData also refuses an empty one, the data-block writers do not.
enum class EmptyName { Refused, Allowed };
bool AcceptableName(const char* name, size_t maxLength, EmptyName empty = EmptyName::Refused);

}  // namespace velmo
