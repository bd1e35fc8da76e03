#include "otp/verification.h"

#include <string>

#include "common/clock.h"
#include "common/text.h"
#include "common/trace.h"
#include "common/user_list_sink.h"
#include "delivery/remote_verification.h"
#include "otp/lockout.h"
#include "otp/record_scan.h"
#include "otp/user_record.h"
#include "settings/registry.h"

namespace velmo {

namespace {

// The record values of one user under the module key, each read when the
// decision asks for it.
class RegistryRecord final : public RecordStore {
public:
    RegistryRecord(const char* userName, RecordMovedOn movedOn) : user_(userName), movedOn_(movedOn) {}

    uint32_t Counter() override { return ReadRecordNumber(user_, kCounterSuffix, 0); }
    uint32_t Step() override { return ReadRecordNumber(user_, kStepSuffix, kDefaultStep); }
    uint32_t HistorySize() override {
        uint32_t size = 0;
        ReadRegBinary(RegRoot::LocalMachine, kOtpModuleKey, History().c_str(), nullptr, &size);
        return size;
    }
    uint32_t Skew() override { return ReadRecordNumber(user_, kSkewSuffix, kSkewNotLearned); }
    uint32_t Window() override {
        return ReadRegDword(RegRoot::LocalMachine, kOtpModuleKey, "window", kDefaultWindow);
    }
    bool HistoryDisabled() override {
        return ReadRegDword(RegRoot::LocalMachine, kVelmoKey, "DisableOtpHistory", 0) != 0;
    }
    uint32_t ReadHistory(uint32_t* entries, uint32_t maxBytes) override {
        uint32_t bytes = maxBytes;
        ReadRegBinary(RegRoot::LocalMachine, kOtpModuleKey, History().c_str(), reinterpret_cast<uint8_t*>(entries),
                      &bytes);
        return bytes;
    }
    void WriteHistory(const uint32_t* entries, uint32_t count) override {
        WriteRegBinary(RegRoot::LocalMachine, kOtpModuleKey, History().c_str(),
                       reinterpret_cast<const uint8_t*>(entries), count * static_cast<uint32_t>(sizeof *entries));
    }
    void WriteCounter(uint32_t counter) override { WriteRecordNumber(user_, kCounterSuffix, counter); }
    void WriteSkew(uint32_t skew) override { WriteRecordNumber(user_, kSkewSuffix, skew); }
    void Accepted() override {
        if (movedOn_) movedOn_(user_);
    }

private:
    std::string History() const { return RecordValueName(user_, kHistorySuffix); }
    const char* user_;
    RecordMovedOn movedOn_;
};

bool VerifyRemotely(const char* userName, const char* codeText) {
    char answer[kRemoteAnswerSize] = {};
    const int result = verifyOTP_Web(userName, codeText, answer, sizeof answer);
    if (result == kRemoteConfirmed) return true;
    TraceLog("verifyDevicePIN, verifyOTP_Web() ret: %d", result);
    WriteRegString(RegRoot::LocalMachine, kOtpModuleKey, "URL-ret", answer);
    return false;
}

// `local`: no remote service decides; `movedOn` (may be null) hears of an
// accepted code.
bool Decide(const char* userName, const char* secretText, const char* codeText, bool local, RecordMovedOn movedOn) {
    if (!userName || !secretText || !codeText) return false;
    const std::string_view code(codeText, BoundedLength(codeText, kMaxCodeLength + 1));
    if (!WellFormedCode(code)) return false;
    if (!local && RemoteVerificationConfigured()) return VerifyRemotely(userName, codeText);
    RegistryRecord record(userName, movedOn);
    return CheckCode(record, userName, secretText, code, UnixNow());
}

}  // namespace

bool verifyDevicePIN(const char* userName, const char* secretText, const char* codeText, RecordMovedOn movedOn) {
    return Decide(userName, secretText, codeText, false, movedOn);
}

bool CheckCodeLocally(const char* userName, const char* secretText, const char* codeText) {
    return Decide(userName, secretText, codeText, true, nullptr);
}

int findVerifyUserName(const char* codeText, char* outUserName, size_t outSize, RecordMovedOn movedOn) {
    const bool listing = !codeText || codeText[0] == '\0';
    UserListSink* list = listing ? CurrentUserListSink() : nullptr;
    if (list) list->Clear();
    int found = 0;
    const FailureLimit limit = listing ? FailureLimit{} : ReadFailureLimit();
    ForEachRecord([&](const OtpRecord& record) {
        if (listing) {
            if (list) list->Add(record.userName.c_str());
            return true;
        }
        // A locked user's record is not compared: the scan is no way around a lock.
        if (RefusedByLock(record.userName.c_str(), limit)) return true;
        const bool accepted = verifyDevicePIN(record.userName.c_str(), record.secret.c_str(), codeText, movedOn);
        TraceLog("findVerifyUserName %s %d", record.userName.c_str(), accepted ? 1 : 0);
        if (!accepted) return true;
        CopyText(outUserName, outSize, record.userName);
        found = 1;
        return false;
    });
    return found;
}

}  // namespace velmo
