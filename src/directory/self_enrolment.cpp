// The self-enrolment exchange: a domain workstation posts the typed code,
// encrypted for the domain's OTP service, as a "kvSelfEnroll" request in
// "CN=SelfEnrolls"; the service writes a signed reply into it; the
// workstation polls, deletes the request, checks the signature and, when
// offline logon is allowed, caches the user's secret from the reply.
#include <windows.h>

#include <cstdint>
#include <ctime>
#include <string>

#include "common/code_page.h"
#include "common/platform_random.h"
#include "common/text.h"
#include "common/trace.h"
#include "common/trace_mask.h"
#include "common/secure_wipe.h"
#include "common/win_handles.h"
#include "directory/companion_library.h"
#include "directory/directory_ops.h"
#include "directory/directory_texts.h"
#include "directory/guid.h"
#include "directory/record_layer.h"
#include "directory/record_names.h"
#include "otp/user_record.h"
#include "settings/hex.h"
#include "settings/registry.h"

namespace velmo {

namespace {

constexpr char16_t kRequestClass[] = u"kvSelfEnroll";
constexpr char16_t kBlank[] = u" ";
constexpr size_t kEncryptedSize = 200;
constexpr uint32_t kPublicKeyRead = 190;
constexpr size_t kReplyFieldMax = 190;
constexpr size_t kMinSecretBlockText = 6;
constexpr size_t kCachedNameMax = 50;
constexpr DWORD kComputerNameRoom = 90;
constexpr DWORD kFirstReadDelayMs = 400;
constexpr DWORD kNextReadDelayMs = 600;
constexpr size_t kRandomForLetters = 64;  // ample for ten unbiased letters

using EncryptFn = int(__stdcall*)(const char* publicKey, const char* plainText, char* output);
using CheckSignatureFn = int(__stdcall*)(const char* value, const char* signature, const char* publicKey);

// Kept from a post to the reply step of the same process, and wiped when
// the exchange ends.
SessionKey g_sessionKey = {};
int8_t g_sessionPosition = 0;

void WipeSessionKey() { SecureWipe(g_sessionKey.data(), g_sessionKey.size()); }

// The key's hexadecimal text, in the caller's buffer (never the shared one).
using SessionKeyText = char[2 * kSessionKeySize + 1];
void KeyText(const SessionKey& key, SessionKeyText& text) { HexEncodeTo(key.data(), key.size(), text, sizeof text); }

bool OfflineLogonAllowed() { return ReadRegDword(RegRoot::LocalMachine, kVelmoKey, "OfflineADMode", 0) == 0; }

template <typename Fn>
Fn Entry(HMODULE library, const char* name) {
    return library ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
}

std::string ComputerName() {
    char name[kComputerNameRoom + 1] = {};
    DWORD size = kComputerNameRoom;
    if (!GetComputerNameA(name, &size)) return {};
    return name;
}

// The posting time: the low 32 bits of the Unix time in lower-case hexadecimal.
std::u16string PostingTime() {
    return FromAnsi(Format("%x", static_cast<unsigned>(static_cast<uint64_t>(std::time(nullptr)) & 0xFFFFFFFFu)));
}

bool NewSessionKey() {
    uint8_t random[kRandomForLetters] = {};
    const bool made = FillFromPlatformRandom(random, sizeof random) == 0 && MakeSessionKey(random, sizeof random, g_sessionKey);
    SecureWipe(random, sizeof random);
    return made;
}

bool ReadReply(const std::u16string& objectName, AttrsMap& reply) {
    return _velmoAP_getAttrsMap(kSelfEnrolls, objectName.c_str(), nullptr, nullptr, nullptr, reply);
}

std::string Field(const AttrsMap& reply, const char16_t* name) {
    const auto it = reply.find(name);
    return it == reply.end() ? std::string() : ToAnsi(Cut<char16_t>(it->second, kReplyFieldMax));
}

// The secret block of a valid reply: cached as the user's secret and skew
// when its check bytes are zero.
void CacheSecret(const char* user, const std::string& blockText) {
    SessionKey key = g_sessionKey;
    ClearAtSessionPosition(key, g_sessionPosition);
    SessionKeyText keyText = {};
    KeyText(key, keyText);
    TraceLog("Decrypt by %s.", Masked(keyText));
    SecureWipe(keyText, sizeof keyText);
    SecretBlock block = DecryptSecretBlock(blockText, key);
    SecureWipe(key.data(), key.size());
    TraceLog("Decrypted secret OTP key : %s skew:%d (byte1:%d %d)", Masked(block.secret.c_str()), block.skew, block.byte21,
             block.byte22);
    if (!block.Usable()) {
        TraceLog("Wrong OTP key");
    } else {
        const std::string name(View(user).substr(0, kCachedNameMax));
        WriteRecordText(name.c_str(), kKeySuffix, block.secret.c_str());
        WriteRecordNumber(name.c_str(), kSkewSuffix, static_cast<uint32_t>(static_cast<int32_t>(block.skew)));
    }
    SecureWipe(block.secret.data(), block.secret.size());
}

}  // namespace

std::wstring VelmoADAP_SelfEnroll_PutOTP(const char* userName, const char* codeText) {
    const char* code = codeText ? codeText : "";
    std::u16string id = NewGuidText();
    AttrsMap request = {{u"kvKeyID", id},
                        {u"kvComputerName", FromAnsi(ComputerName())},
                        {u"kvUserName", FromAnsi(View(userName))},
                        {u"kvUserAuthData", u"-"},
                        {u"kvSignalType", u"OTP-Auth"},
                        {u"kvReplyToken", kBlank}};
    UniqueModule library(LoadCompanionLibrary(kUiLibraryFiles[0]));
    if (!library) library.reset(LoadCompanionLibrary(kUiLibraryFiles[1]));
    if (const auto encrypt = Entry<EncryptFn>(library.get(), kUiLibraryEntries[0])) {
        const std::string publicKey = ReadRegString(RegRoot::LocalMachine, kVelmoKey, "serverPublicKey");
        char encrypted[kEncryptedSize] = {};
        int result = encrypt(publicKey.c_str(), code, encrypted);
        encrypted[kEncryptedSize - 1] = '\0';
        TraceLog("VelmoADAP_SelfEnroll_PutOTP. Encrypted otp %d (%s)", result, Masked(encrypted));
        request[u"kvUserAuthData"] = FromAnsi(encrypted);
        if (OfflineLogonAllowed() && NewSessionKey()) {
            SessionKeyText keyText = {};
            KeyText(g_sessionKey, keyText);
            char encryptedKey[kEncryptedSize] = {};
            result = encrypt(publicKey.c_str(), keyText, encryptedKey);
            encryptedKey[kEncryptedSize - 1] = '\0';
            SecureWipe(keyText, sizeof keyText);
            TraceLog("Encrypted sessionkey %d (%s)", result, Masked(encryptedKey));
            g_sessionPosition = static_cast<int8_t>(result / 2);
            request[u"kvUserAttr1"] = FromAnsi(encryptedKey);
        }
    }
    library.reset();
    request[u"kvTime"] = PostingTime();
    if (!id.empty() && _velmoAP_addRecord(kSelfEnrolls, id, kRequestClass, request)) {
        TraceLogW(L"VelmoADAP_SelfEnroll_PutOTP: OK %s", Wide(id));
    } else {
        TraceLog("VelmoADAP_SelfEnroll_PutOTP: _velmoAP_addRecord failed");
        id.clear();
        WipeSessionKey();  // no reply step follows
    }
    return std::wstring(Wide(id));
}

int VelmoADAP_SelfEnroll_GetOTPReply(const std::wstring& requestId, const char* codeText, const char* userName) {
    const char* code = codeText ? codeText : "";
    const char* user = userName ? userName : "";
    const WipeOnExit keyWiped(g_sessionKey.data(), g_sessionKey.size());  // however the exchange ends
    const std::u16string id(Utf16(requestId.c_str()));
    const std::u16string objectName = u"CN=" + id;
    AttrsMap reply = {{u"kvKeyID", kBlank}, {u"kvReplyToken", kBlank}, {u"kvUserAuthData", kBlank},
                      {u"kvUserAttr1", kBlank}};
    Sleep(kFirstReadDelayMs);
    if (!ReadReply(objectName, reply)) TraceLog("VelmoADAP_SelfEnroll_GetOTPReply , _velmoAP_getAttrsMap err #1");
    if (reply[u"kvReplyToken"].size() < kMinReplyToken) {
        TraceLog("VelmoADAP_SelfEnroll_GetOTPReply empty. try again ");
        Sleep(kNextReadDelayMs);
        if (!ReadReply(objectName, reply)) TraceLog("VelmoADAP_SelfEnroll_GetOTPReply _velmoAP_getAttrsMap err #2");
        if (reply[u"kvReplyToken"].size() < kMinReplyToken) {
            Sleep(kNextReadDelayMs);
            if (!ReadReply(objectName, reply)) {
                TraceLog("VelmoADAP_SelfEnroll_GetOTPReply _velmoAP_getAttrsMap err #3");
                return -1;
            }
            if (reply[u"kvReplyToken"].size() < kMinReplyToken) {
                TraceLog("VelmoADAP_SelfEnroll_GetOTPReply no reply #3");
                return -1;
            }
        }
    }
    _velmoAP_deleteRecord(kSelfEnrolls, id);
    const std::string token = Field(reply, u"kvReplyToken"), authData = Field(reply, u"kvUserAuthData"),
                      block = Field(reply, u"kvUserAttr1");
    TraceLog("VelmoADAP_SelfEnroll_GetOTPReply AuthData:%s Sign:%s attr1:%s", Masked(authData.c_str()),
             Masked(token.c_str()), Masked(block.c_str()));

    UniqueModule library(LoadCompanionLibrary(kUiLibraryFiles[0]));
    if (!library) {
        TraceLog("loading x64 dll..\n");
        library.reset(LoadCompanionLibrary(kUiLibraryFiles[1]));
        if (!library) TraceLog("err load velmo_ui dll\n");
    }
    if (const auto check = Entry<CheckSignatureFn>(library.get(), kUiLibraryEntries[1])) {
        char publicKey[kPublicKeyRead];
        ReadRegText(RegRoot::LocalMachine, kVelmoKey, "serverPublicKey", publicKey, sizeof publicKey);
        const int valid = check(code, token.c_str(), publicKey);
        TraceLog("verifyServerOTPSignature valid: %d ", valid);
        library.reset();
        if (valid > 0) {
            TraceLog("VelmoADAP_SelfEnroll_GetOTPReply AD:\t[in]user=%s  pin = %s %i ", user, Masked(code), 1);
            if (OfflineLogonAllowed() && block.size() >= kMinSecretBlockText) CacheSecret(user, block);
            return 1;
        }
        TraceLog("verifyServerOTPSignature err: %s %s pub-%s. ", Masked(code), Masked(token.c_str()), publicKey);
    }
    TraceLog("VelmoADAP_SelfEnroll_GetOTPReply AD:\t[in]user=%s  pin = %s %i ", user, Masked(code), 0);
    return 0;
}

}  // namespace velmo
