#include "directory/record_names.h"

#include <algorithm>

#include "common/text.h"

namespace velmo {

namespace {

constexpr std::u16string_view kLdapPrefix = u"LDAP://";
constexpr size_t kPrefixBeforeSlash = 6;  // "LDAP:/": the server goes after it

std::u16string Join(std::u16string_view a, std::u16string_view b, std::u16string_view c) {
    std::u16string text(a);
    text.append(b).append(u",").append(c).append(u",").append(kPartition);
    return text;
}

}  // namespace

std::u16string RecordPath(std::u16string_view container, std::u16string_view nameID) {
    return Join(u"LDAP://CN=", nameID, container);
}

std::u16string ContainerPath(std::u16string_view container) {
    return std::u16string(kLdapPrefix).append(container).append(u",").append(kPartition);
}

std::u16string NamedObjectPath(std::u16string_view container, std::u16string_view objectName) {
    return Join(kLdapPrefix, objectName, container);
}

std::u16string DirectWriteDn(std::u16string_view container, std::u16string_view nameID) {
    return Join(u"cn=", nameID, container);
}

std::u16string DirectDeleteDn(std::u16string_view container, std::u16string_view nameID) {
    return Join(u"CN=", nameID, container);
}

std::u16string DirectSearchBase(std::u16string_view container) {
    return std::u16string(container).append(u",").append(kPartition);
}

std::u16string_view ServerHost(std::u16string_view server) {
    return !server.empty() && server[0] == u'\\' ? server.substr(std::min<size_t>(2, server.size())) : server;
}

std::u16string ServerQualifiedPath(std::u16string_view server, std::u16string_view path) {
    std::u16string qualified(kLdapPrefix);
    qualified.append(ServerHost(server));
    if (path.size() > kPrefixBeforeSlash) qualified.append(path.substr(kPrefixBeforeSlash));
    return qualified;
}

std::string RecordFilter(const char* userName, const char* keySerial, const char* secondSerial) {
    const bool user = userName != nullptr, serial = keySerial != nullptr;
    const bool second = secondSerial && BoundedLength(secondSerial, 2) > 1;
    if (user && !serial) {
        return Format(Contains(userName, "*") ? "(kvUserAttr1=%s)" : "(kvUserName=%s)", userName);
    }
    if (user && !second) return Format("(&(kvUserName=%s)(kvUserKeySerial=%s))", userName, keySerial);
    if (user) {
        return Format("(&(kvUserName=%s)(|(kvUserKeySerial=%s)(kvUserKeySerial=%s)))", userName, keySerial,
                      secondSerial);
    }
    if (serial && !second) return Format("(kvUserKeySerial=%s)", keySerial);
    if (serial) return Format("(|(kvUserKeySerial=%s)(kvUserKeySerial=%s))", keySerial, secondSerial);
    return {};
}

std::u16string DirectNameFilter(std::u16string_view objectName) {
    std::u16string_view name;
    if (objectName.find(u"LDAP") != std::u16string_view::npos ||
        objectName.find(u",CN=") != std::u16string_view::npos) {
        name = objectName.substr(std::min<size_t>(10, objectName.size()));  // after "LDAP://CN="
        name = name.substr(0, name.find(u','));
    } else {
        name = objectName.substr(std::min<size_t>(3, objectName.size()));  // after "CN="
    }
    return u"(name=" + Cut(name, kDirectObjectNameMax) + u")";
}

std::optional<std::vector<std::u16string>> MultiSzStr_to_List(const char16_t* buffer, uint64_t length) {
    if (!buffer || length == 0) return std::nullopt;
    std::vector<std::u16string> texts;
    uint64_t at = 0;
    while (true) {
        uint64_t end = at;
        while (end < length && buffer[end] != u'\0') ++end;
        if (end >= length) return std::nullopt;  // not ended inside the length
        if (end == at) return texts;             // the empty text that ends the list
        texts.emplace_back(buffer + at, buffer + end);
        at = end + 1;
    }
}

bool IsSecretAttribute(std::u16string_view container, std::u16string_view name) {
    if (container == kSecretKeys) return name == u"kvOathSecret";
    if (container == kSelfEnrolls) return name == u"kvUserAuthData" || name == u"kvReplyToken" || name == u"kvUserAttr1";
    return false;
}

}  // namespace velmo
