// Records of the product's schema in containers below the partition: write
// (create or update), grant authenticated users read access, delete, and read
// the attributes of one record named or found by a search. Each operation
// goes through the access library and falls back to, or is switched to, the
// direct LDAP session.
#pragma once

#include <map>
#include <string>

namespace velmo {

// Attribute name -> value, ordered by UTF-16 code units. For reads the keys
// are the attributes wanted and their values the placeholders that stay when
// an attribute cannot be read. Names of fewer than 2 characters are skipped.
using AttrsMap = std::map<std::u16string, std::u16string>;

bool _velmoAP_addRecord(const std::u16string& container, const std::u16string& nameID, const std::u16string& cls,
                        AttrsMap attributes);
bool _velmoAP_addRecord_ldap(const std::u16string& container, const std::u16string& nameID,
                             const std::u16string& cls, const AttrsMap& attributes);
bool _velmoAP_addRecordSD(const std::u16string& container, const std::u16string& nameID);
bool _velmoAP_deleteRecord(const std::u16string& container, const std::u16string& nameID);
// With an object name the record is opened by it; otherwise it is searched
// for by the user name and key serials (narrow, each may be null).
bool _velmoAP_getAttrsMap(const std::u16string& container, const char16_t* objectName, const char* userName,
                          const char* keySerial, const char* secondSerial, AttrsMap& attributes);
bool _velmoAP_getAttrsMap_ldap(const std::u16string& container, const char16_t* objectName, const char* userName,
                               const char* keySerial, const char* secondSerial, AttrsMap& attributes);

}  // namespace velmo
