// Whether a server's schema defines an object class, asked for that class
// alone: on Active Directory the classSchema object of that lDAPDisplayName
// below the rootDSE's schemaNamingContext; elsewhere its description in the
// subschema entry (RFC 4512), with the matched-values control so that the
// answer stays small.
#pragma once

#include <cstdint>

#include "directory_object.h"

namespace velmo::adap {

// 0 when the schema of the object's server defines `className`, the status
// of "no such object" when it does not, another status when the schema
// cannot be read.
uint32_t FindSchemaClass(DirectoryObject& object, const wchar_t* className);

}  // namespace velmo::adap
