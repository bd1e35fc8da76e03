// A user's OTP record in the directory: one "kvSecretKey" object per user in
// "CN=SecretKeys", the master copy that follows the user from machine to
// machine; the registry record is the working copy.
#include <windows.h>
#include <objbase.h>

#include <array>
#include <string>

#include "common/code_page.h"
#include "common/text.h"
#include "common/trace.h"
#include "directory/directory_ops.h"
#include "directory/directory_state.h"
#include "directory/directory_texts.h"
#include "directory/guid.h"
#include "directory/record_layer.h"
#include "directory/record_names.h"
#include "otp/user_record.h"
#include "settings/registry.h"

namespace velmo {

namespace {

constexpr char16_t kBlank[] = u" ";
constexpr size_t kMinIdLength = 3;
constexpr uint32_t kDestinationRead = 90;
constexpr size_t kHistoryShown = 90;
constexpr char16_t kKeyClass[] = u"kvSecretKey";

std::u16string g_lastOtpEntryName;  // "CN=" + the identifier last fetched

std::u16string Decimal(int64_t value) { return FromAnsi(std::to_string(value)); }

AttrsMap Asking(std::initializer_list<const char16_t*> names) {
    AttrsMap map;
    for (const char16_t* name : names) map[name].assign(1, u' ');
    return map;
}

// The record's "kvKeyID" as an object name: only an identifier in the form
// the module writes counts; any other text (which could name another object)
// is traced and counts as none.
std::u16string UsableKeyId(AttrsMap& map) {
    const std::u16string& id = map[u"kvKeyID"];
    if (id.size() < kMinIdLength || IsGuidText(id)) return id;
    TraceLogW(L"kvKeyID %s is not an identifier: the record counts as having none", Wide(id));
    return kBlank;
}

// Whether a record read back belongs to `user`: its "kvUserName" matched as
// the directory matches the record layer's search by user name, without
// regard to case.
bool BelongsTo(AttrsMap& map, const char* user) {
    const std::u16string name = FromAnsi(user);
    const std::u16string& stored = map[u"kvUserName"];
    return CompareStringOrdinal(Wide(stored), static_cast<int>(stored.size()), Wide(name),
                                static_cast<int>(name.size()), TRUE) == CSTR_EQUAL;
}

// The object last fetched, read back, is updated for `user` only when it is
// that user's and its identifier names it. Another user's object may be the
// one last fetched in this process (the kind query of one user, then the
// logon of another): writing would give that user this one's destination,
// history and counter.
bool MayUpdateLastEntry(AttrsMap& map, const char* user) {
    if (!BelongsTo(map, user)) {
        TraceLogW(L"VelmoADAP_AddUserOtpInfo last entry %s is %s's, not %S's: not written", Wide(g_lastOtpEntryName),
                  Wide(map[u"kvUserName"]), user);
        return false;
    }
    const std::u16string id = UsableKeyId(map);
    if (u"CN=" + id == g_lastOtpEntryName) return true;
    if (id.size() >= kMinIdLength)
        TraceLogW(L"VelmoADAP_AddUserOtpInfo last entry %s names %s: not written", Wide(g_lastOtpEntryName), Wide(id));
    return false;
}

}  // namespace

void VelmoADAP_AddUserOtpInfo(const char* userName, const char* keyType, const char* secret) {
    if (!DomainModeOn() || !BindAccessLibrary()) return;
    const char* user = userName ? userName : "";
    AttrsMap map = Asking({u"kvKeyID", u"kvUserName", u"kvKeyType"});
    if (keyType) {
        _velmoAP_getAttrsMap(kSecretKeys, nullptr, user, nullptr, nullptr, map);
        if (UsableKeyId(map).size() < kMinIdLength) {
            TraceLog("VelmoADAP_AddUserOtpInfo creating new OTP config into AD %s", user);
            map[u"kvKeyID"] = NewGuidText();
        }
        map[u"kvUserName"] = FromAnsi(user);
        if (secret) map[u"kvOathSecret"] = FromAnsi(secret);
        map[u"kvKeyType"] = FromAnsi(keyType);
    } else if (!_velmoAP_getAttrsMap(kSecretKeys, g_lastOtpEntryName.c_str(), nullptr, nullptr, nullptr, map)) {
        TraceLogW(L"VelmoADAP_AddUserOtpInfo erro open last entry %s", Wide(g_lastOtpEntryName));
        return;
    } else if (!MayUpdateLastEntry(map, user)) {
        ResetLastOtpEntryName();  // as if nothing had been fetched
        return;
    }

    map[u"kvOathCounter"] = Decimal(ReadRecordNumber(user, kCounterSuffix, 0));
    map[u"kvOathInterval"] = Decimal(static_cast<int32_t>(ReadRecordNumber(user, kStepSuffix, kDefaultStep)));
    map[u"kvOathDestination"] = Decimal(static_cast<int32_t>(ReadRecordNumber(user, kSkewSuffix, 0)));
    uint8_t history[kHistoryReadLimit];
    uint32_t bytes = sizeof history;
    ReadRegBinary(RegRoot::LocalMachine, kOtpModuleKey, RecordValueName(user, kHistorySuffix).c_str(), history, &bytes);
    if (bytes > 0) {
        const std::string hex = HistoryForDirectory(history, bytes);
        map[u"kvOathHistory"] = FromAnsi(hex);
        TraceLog("set kvOathHistory = %.*s...", static_cast<int>(std::min(hex.size(), kHistoryShown)), hex.c_str());
    }
    const std::string destination = ReadRecordText(user, kDestinationSuffix, kDestinationRead);
    map[u"kvUserAttr1"] = destination.size() >= 2 ? FromAnsi(destination) : std::u16string(kBlank);

    const std::u16string id = map[u"kvKeyID"];
    if (!_velmoAP_addRecord(kSecretKeys, id, kKeyClass, map)) {
        TraceLog("Err VelmoADAP_AddUserOtpInfo");
        return;
    }
    if (!_velmoAP_addRecordSD(kSecretKeys, id))
        TraceLogW(L"VelmoADAP_AddUserOtpInfo _velmoAP_addRecordSD failed %s", Wide(id));
    TraceLogW(L"VelmoADAP_AddUserOtpInfo OK id: %s", Wide(id));
}

void VelmoADAP_GetUserOtpInfo(const char* userName) {
    if (!DomainModeOn()) return;
    const char* user = userName ? userName : "";
    AttrsMap map = Asking({u"kvKeyID", u"kvUserName", u"kvKeyType", u"kvOathSecret", u"kvUserKeySerial",
                           u"kvOathInterval", u"kvOathCounter", u"kvOathHistory", u"kvOathDestination",
                           u"kvUserAttr1"});
    if (!_velmoAP_getAttrsMap(kSecretKeys, nullptr, user, nullptr, nullptr, map))
        TraceLog("VelmoADAP_GetUserOtpInfo _velmoAP_getAttrsMap() err");
    TraceLogW(L"AD OTP user %S (type:%s) DLL:%s (id:%s)", user, Wide(map[u"kvKeyType"]), Wide(map[u"kvUserKeySerial"]),
              Wide(map[u"kvKeyID"]));
    const std::u16string id = UsableKeyId(map);
    if (id.size() < kMinIdLength) return;
    g_lastOtpEntryName = u"CN=" + id;

    const std::string hex = ToAnsi(map[u"kvOathHistory"]);
    if (hex.size() > 1) {
        const auto history = HistoryFromDirectory(hex);
        TraceLog("kvOathHistory = %.*s...", static_cast<int>(std::min(hex.size(), kHistoryShown)), hex.c_str());
        if (history)
            WriteRegBinary(RegRoot::LocalMachine, kOtpModuleKey, RecordValueName(user, kHistorySuffix).c_str(),
                           history->data(), static_cast<uint32_t>(history->size()));
    }
    if (map[u"kvOathSecret"].size() > 1) WriteRecordText(user, kKeySuffix, ToAnsi(map[u"kvOathSecret"]).c_str());
    if (const int32_t skew = ParseSignedDecimal(ToAnsi(map[u"kvOathDestination"])); skew != 0)
        WriteRecordNumber(user, kSkewSuffix, static_cast<uint32_t>(skew));
    if (map[u"kvUserAttr1"].size() > 1) WriteRecordText(user, kDestinationSuffix, ToAnsi(map[u"kvUserAttr1"]).c_str());
}

size_t LastOtpEntryNameLength() { return g_lastOtpEntryName.size(); }

void ResetLastOtpEntryName() { g_lastOtpEntryName.assign(1, u' '); }

}  // namespace velmo
