// Finding a user in the domain directory to take a delivery destination from:
// the domain to ask, the user's object by three searches, and its mobile
// number, office number or e-mail address.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <iads.h>

#include <cstddef>
#include <string>

namespace velmo {

// 1 found (destination filled, possibly empty), 0 no such user, -1 no
// directory or the lookup could not be made, 2 the object could not be opened.
int FindADUser_DomainGroup(const char* userName, char* destination, size_t destinationSize);

// The domain (or server) the lookup addresses; process-wide text.
const char* GetDomainTree();

// The domain one lookup asks: GetDomainTree's (at most 90 characters), else
// "adap_ip" (at most 96); empty when neither gives one.
std::string LookupDomain();

// "LDAP://<domain>/<distinguished name>", empty when not found, "0" when the
// directory could not be searched.
const std::u16string& FindUserPath(const char* domain, const char* userName);

// The distinguished name of the user the filter finds (the last one when
// several match), empty, or "0" when the search could not be made.
const std::u16string& SearchUserDN(const std::u16string& gcPath, const std::u16string& filter);

// What the lookup takes from ADSI's answers, whose types come from the server:
// the tree list (a one-dimensional array of variants) and the distinguished
// name of a search column; any other type counts as not found.
bool IsTreeList(const VARIANT& trees);
const wchar_t* ColumnDn(const ADS_SEARCH_COLUMN& column);

}  // namespace velmo
