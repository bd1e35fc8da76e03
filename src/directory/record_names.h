// Names, paths and filters of the directory record layer, and the limits of
// its fixed areas. Records live in containers below the product's partition;
// the access library addresses them by ADs path, the direct LDAP session by
// distinguished name. Texts are UTF-16 (char16_t) on the directory side and
// narrow where the module builds filters. Pure code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmo {

inline constexpr char16_t kPartition[] = u"DC=Velmo,DC=com";
inline constexpr char kPartitionName[] = "DC=Velmo,DC=com";
inline constexpr char16_t kSecretKeys[] = u"CN=SecretKeys";
inline constexpr char16_t kSelfEnrolls[] = u"CN=SelfEnrolls";
inline constexpr char16_t kGlobalSettings[] = u"CN=GlobalSettings";
// A self-enrolment request whose "kvReplyToken" is shorter has no reply yet.
constexpr size_t kMinReplyToken = 3;

// Limits of the layer's fixed areas (characters, without the terminator).
constexpr size_t kLibraryFilterMax = 199;      // search filter of a library read
constexpr size_t kDirectFilterMax = 189;       // search filter of a direct read
constexpr size_t kDirectObjectNameMax = 80;    // object name in a direct "(name=%s)" filter
constexpr size_t kDirectReadNames = 16;        // attribute names one direct read asks for
constexpr size_t kDirectReadValues = 22;       // map keys whose values a direct read takes
constexpr size_t kDirectWriteAttributes = 13;  // attributes of one direct write
constexpr size_t kDirectClassMax = 59;         // class name of a direct write
constexpr size_t kServerPathMax = 299;         // server-qualified path of a library create
constexpr size_t kLongValueInLibraryWrite = 300;  // values traced by their length from here on
constexpr size_t kLongValueInDirectWrite = 200;
constexpr size_t kLongValueInLibraryRead = 120;

// The one cut for every fixed area: the first `max` characters.
template <typename Char>
std::basic_string<Char> Cut(std::basic_string_view<Char> text, size_t max) {
    return std::basic_string<Char>(text.substr(0, max));
}

// "LDAP://CN=<nameID>,<container>,DC=Velmo,DC=com"
std::u16string RecordPath(std::u16string_view container, std::u16string_view nameID);
// "LDAP://<container>,DC=Velmo,DC=com"
std::u16string ContainerPath(std::u16string_view container);
// "LDAP://<objectName>,<container>,DC=Velmo,DC=com"
std::u16string NamedObjectPath(std::u16string_view container, std::u16string_view objectName);
// "cn=<nameID>,..." for a direct write, "CN=<nameID>,..." for a direct delete.
std::u16string DirectWriteDn(std::u16string_view container, std::u16string_view nameID);
std::u16string DirectDeleteDn(std::u16string_view container, std::u16string_view nameID);
// "<container>,DC=Velmo,DC=com"
std::u16string DirectSearchBase(std::u16string_view container);

// `path` ("LDAP://..." ) with `server` put between the prefix and the object:
// "LDAP://" + server (without two leading backslashes) + path from its "/".
std::u16string ServerQualifiedPath(std::u16string_view server, std::u16string_view path);
// A controller name as the locator gives it ("\\dc1") without the backslashes.
std::u16string_view ServerHost(std::u16string_view server);

// The search filter for a user name, a key serial and a second serial (each
// may be null; the second counts only with more than 1 character).
std::string RecordFilter(const char* userName, const char* keySerial, const char* secondSerial);

// "(name=%s)" for an object name: after "LDAP://CN=" up to the first "," when
// the name holds "LDAP" or ",CN=", else the text after "CN=".
std::u16string DirectNameFilter(std::u16string_view objectName);

// The texts of a library multi-string: each ended by a NUL, the list ended by
// an empty text, all within `length` UTF-16 units; anything else fails.
std::optional<std::vector<std::u16string>> MultiSzStr_to_List(const char16_t* buffer, uint64_t length);

// Attributes whose values are secrets, masked in the trace when masking is
// on: a key object's OTP secret, and in a self-enrolment request the
// encrypted code, the reply's signature and the session key or secret block.
bool IsSecretAttribute(std::u16string_view container, std::u16string_view name);

}  // namespace velmo
