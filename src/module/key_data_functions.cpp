#include "module/key_data_functions.h"

#include <cstring>

#include "common/clock.h"
#include "common/localized_strings.h"
#include "common/module_state.h"
#include "common/text.h"
#include "common/trace.h"
#include "common/trace_mask.h"
#include "delivery/delivery.h"
#include "directory/directory_ops.h"
#include "module/delivery_address.h"
#include "module/key_data.h"
#include "otp/otp_code.h"
#include "otp/provisioning.h"
#include "otp/setting_command.h"
#include "otp/user_record.h"
#include "settings/registry.h"
#include "ui/message_box.h"

namespace velmo {

namespace {

constexpr size_t kDeliveryAnswerSize = 990;  // also the most ReadData writes
constexpr size_t kAddressSize = 200;
constexpr size_t kDestinationShown = 90;
constexpr std::string_view kSmsKind = "sms-otp,";  // the SMS kind's text
constexpr size_t kEmptyKindSize = 5;
constexpr size_t kWorkingSecretSize = 150;
constexpr uint32_t kAutoSmsLevel = 3;  // "USB_Only_login" from which SMS users are created

constexpr uint32_t kMessageSentOk = 2437;
constexpr uint32_t kMessageNotConfirmed = 2438;
constexpr uint32_t kMessageDeliveryHelp = 2165;

constexpr char kGatewayFailed[] = "Warning: SMS Gateway connection failed: please contact server Administrator";
constexpr char kGatewayNotSet[] = "SMS gateway is not set. Please enter it in the OTP options";
constexpr char kSecretLengthError[] =
    "Secret Key length error. Enter uppercase base32 or HEX string, 16, 32 or 40 chars length. ";

// Writes a text and its NUL into the host's buffer (at most 990 bytes);
// returns the bytes written.
uint32_t PutText(uint8_t* data, std::string_view text) {
    return static_cast<uint32_t>(CopyText(reinterpret_cast<char*>(data), kDeliveryAnswerSize, text) + 1);
}

// "sms-otp," and the destination: the answer is 8 + its length + 1.
int SmsKindAnswer(uint8_t* data, const std::string& destination) {
    return static_cast<int>(PutText(data, std::string(kSmsKind) + destination));
}

}  // namespace

void WriteOtpTypeText(uint8_t* data, OtpKind kind) {
    if (!data) return;
    std::memset(data, 0, kOtpTypeTextSize);
    std::memcpy(data, kind == OtpKind::TimeBased ? "totp" : "hotp", 4);
}

bool IsOtpFunction(uint32_t blockNumber) {
    switch (blockNumber) {
        case kProvisioningUrlBlock:
        case kHexSecretBlock:
        case kSendCodeBlock:
        case kOtpKindBlock:
        case kOtpSettingBlock:
            return true;
        default:
            return false;
    }
}

bool DomainWorkstation() { return DomainModeOn() && IsWorkstation(Module()); }

int SendCodeToUser(const std::string& user, uint8_t* data, uint32_t* length) {
    const char* name = user.c_str();
    const std::string destination = ReadRecordText(name, kDestinationSuffix, kDestinationReadSize);
    if (destination.empty()) return 0;
    std::string secret = ReadSecret(name);
    if (secret.empty()) {
        GenerateOTP_Key_User(name, kTimeBased);
        secret = ReadSecret(name);
    }
    // The code as a plain number: 012345 is sent as 12345 (verification
    // compares numbers and takes either).
    const int32_t code = ComputeCode(secret.c_str(), TimeStepNumber(UnixNow(), ReadTimeStep(name)));
    const std::string codeText = std::to_string(code);
    const ModuleState& m = Module();
    TraceLog("ReadData: Sending SMS to %s %s (text %s) (OK val:%s)...", name, destination.c_str(), Masked(codeText.c_str()),
             m.smsGateSuccessValue);

    char answer[kDeliveryAnswerSize] = {};
    const int result = SendOtpCode(destination.c_str(), name, codeText.c_str(), answer, sizeof answer);
    std::string message;
    if (result != kDeliveryRan) {
        WriteRegString(RegRoot::LocalMachine, kOtpModuleKey, "SMS-Gate-ret", answer);
        message = kGatewayFailed;
    } else if (ContainsNoCase(answer, m.smsGateSuccessValue)) {
        TraceLog("ReadData: Send SMS - OK");
        message = LS(kMessageSentOk);
    } else {
        TraceLog("ReadData: Send SMS - Failed");
        message = std::string(LS(kMessageNotConfirmed)) + m.smsGateSuccessValue + "\n\n";
        message += LS(kMessageDeliveryHelp);
    }
    const uint32_t written = PutText(data, message);
    if (length) *length = written;
    return 1;
}

int QueryOtpKind(const std::string& user, uint8_t* data, uint32_t* length) {
    const char* name = user.c_str();
    TraceLog("ReadData get config for %s", name);
    if (DomainModeOn()) VelmoADAP_GetUserOtpInfo(name);

    std::string destination = ReadRecordText(name, kDestinationSuffix, kDestinationReadSize);
    if (!destination.empty()) {
        char address[kAddressSize] = {};
        if (LookUpDeliveryAddress(user, address, sizeof address) && BoundedLength(address, 2) >= 2) {
            Manage_SMS_Number_User(name, address);
            destination.assign(address, BoundedLength(address, kDestinationShown));
        }
        return SmsKindAnswer(data, destination);
    }

    if (HasOtpConfiguration(name)) {
        const bool counterBased = ReadRecordNumber(name, kCounterSuffix, 0) != 0;
        WriteOtpTypeText(data, counterBased ? OtpKind::CounterBased : OtpKind::TimeBased);
        return static_cast<int>(kOtpTypeTextSize);
    }

    if (ReadRegDword(RegRoot::LocalMachine, kVelmoKey, "USB_Only_login", 0) >= kAutoSmsLevel) {
        char address[kDestinationReadSize] = {};
        if (LookUpDeliveryAddress(user, address, sizeof address)) {
            TraceLog("ReadData, auto create SMS OTP key %s mob/eml:%s", name, address);
            if (address[0]) {
                const int answer = SmsKindAnswer(data, address);
                GenerateOTP_Key_User(name, kTimeBased);
                Manage_SMS_Number_User(name, address);
                return answer;
            }
        }
    }
    std::memset(data, 0, kEmptyKindSize);
    if (length) *length = 0;
    return 1;
}

int ApplyOtpSetting(const std::string& user, uint8_t* data, uint32_t* length) {
    const char* name = user.c_str();
    TraceLog("ReadData set otp config for %s", name);
    if (!HasOtpConfiguration(name)) GenerateOTP_Key_User(name, kCounterBased);

    std::string secret = ReadRecordText(name, kKeySuffix, kWorkingSecretSize);
    const char* text = reinterpret_cast<const char*>(data);
    const std::string_view command(text, BoundedLength(text, kSettingCommandMax));
    const OtpSettingCommand setting = ParseOtpSettingCommand(command);
    // A token's secret is given in the command itself.
    const std::string shownCommand = MaskedIn(command, setting.token ? setting.token->given : std::string());
    TraceLog("ReadData: Set OTP %s %s", name, shownCommand.c_str());

    if (setting.timeBased) {
        WriteRecordNumber(name, kCounterSuffix, 0);
        DeleteRecordValue(name, kDestinationSuffix);
    }
    if (setting.counterBased) {
        WriteRecordNumber(name, kCounterSuffix, 1);
        DeleteRecordValue(name, kDestinationSuffix);
    }
    if (setting.destination) {
        Manage_SMS_Number_User(name, setting.destination->c_str());
        ModuleState& m = Module();
        ReadRegText(RegRoot::LocalMachine, kOtpModuleKey, "SMS-Gate", m.smsGateValue, sizeof m.smsGateValue);
        if (m.smsGateValue[0] == '\0') ShowWarning(kGatewayNotSet);
    }
    if (const auto& token = setting.token) {
        TraceLog("ReadData: Set otp Key %d bytes,  %s", static_cast<int>(token->given.size()), shownCommand.c_str());
        secret = token->secret;
        if (!token->LengthAccepted()) {
            TraceLog("ReadData: len err %d bytes,  %s", static_cast<int>(secret.size()), Masked(secret.c_str()));
            ShowWarning(kSecretLengthError);
            if (length) *length = 0;
            return 0;
        }
        WriteRecordText(name, kKeySuffix, secret.c_str());
        WriteRecordNumber(name, kStepSuffix, static_cast<uint32_t>(token->step));
    }
    DeleteRecordValue(name, kSkewSuffix);
    if (DomainModeOn()) VelmoADAP_AddUserOtpInfo(name, setting.keyType.c_str(), secret.c_str());
    if (length) *length = 0;
    return 1;
}

}  // namespace velmo
