// otpadmin doctor --selftest: a logon of a temporary user with a random
// name and secret through the module, timed step by step, and the user's
// values removed again whatever happened. In domain mode the record stays on
// this machine: it is written to the registry and decided by the module's
// local code check, so that neither the directory nor the OTP service sees it.
#include <windows.h>

#include <chrono>
#include <set>
#include <vector>

#include "common/clock.h"
#include "common/platform_random.h"
#include "common/text.h"
#include "delivery/remote_verification.h"
#include "doctor_checks.h"
#include "otp/base32.h"
#include "otp/code_check.h"
#include "otp/otp_code.h"
#include "otp/user_record.h"
#include "otp/verification.h"
#include "settings/registry.h"

namespace otpadmin::doctor {

namespace {

using velmo::Format;

constexpr uint32_t kNameRandomBytes = 4;
constexpr int32_t kSecretBytes = 20;
constexpr int32_t kSecretTextRoom = 40;
constexpr int32_t kAvoidedSteps = 40;  // a wrong code must match no step this near

std::vector<std::string> ValuesOf(const std::string& user) {
    std::vector<std::string> names;
    velmo::EnumerateRegValues(velmo::RegRoot::LocalMachine, velmo::kOtpModuleKey, [&](const velmo::RegValueInfo& v) {
        if (std::string_view(v.name).substr(0, user.size()) == user) names.push_back(v.name);
        return true;
    });
    return names;
}

// Removes every value named after the temporary user when it goes.
class TemporaryUser {
public:
    explicit TemporaryUser(std::string name) : name_(std::move(name)) {}
    ~TemporaryUser() { Remove(); }
    TemporaryUser(const TemporaryUser&) = delete;
    TemporaryUser& operator=(const TemporaryUser&) = delete;
    const std::string& name() const { return name_; }
    void Remove() const {
        for (const auto& value : ValuesOf(name_))
            velmo::WriteRegBinary(velmo::RegRoot::LocalMachine, velmo::kOtpModuleKey, value.c_str(), nullptr, 0);
    }

private:
    std::string name_;
};

std::string RandomHex(uint32_t bytes) {
    std::vector<uint8_t> random(bytes);
    velmo::FillFromPlatformRandom(random.data(), bytes);
    std::string hex;
    for (uint8_t b : random) hex += Format("%02x", b);
    return hex;
}

std::string RandomSecret() {
    uint8_t random[kSecretBytes] = {};
    velmo::FillFromPlatformRandom(random, sizeof random);
    char text[kSecretTextRoom] = {};
    velmo::Base32Encode(random, kSecretBytes, text, kSecretTextRoom);
    return text;
}

// A code that no step near `step` has for the secret.
std::string WrongCode(const std::string& secret, uint32_t step) {
    std::set<int32_t> nearby;
    for (int32_t i = -kAvoidedSteps; i <= kAvoidedSteps; ++i)
        nearby.insert(velmo::ComputeCode(secret.c_str(), step + static_cast<uint32_t>(i)));
    int32_t wrong = velmo::ComputeCode(secret.c_str(), step);
    do wrong = (wrong + 111111) % velmo::kCodeModulus;
    while (nearby.count(wrong));
    return Format("%06d", wrong);
}

class Stopwatch {
public:
    long long Ms() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace

void RunSelfTest(Context& c, const ModuleHost& module) {
    if (!module.Ready()) {
        c.Add(Fail("self-test", "the module is not loaded", "see the module check above"));
        return;
    }
    if (velmo::RemoteVerificationConfigured()) {
        c.Add(Warn("self-test",
                   "skipped: \"URL\" is set, so the verification service decides codes, and it knows "
                   "no temporary user",
                   "log a real user on to test the service"));
        return;
    }
    const bool local = c.domainMode;
    if (local)
        c.Add(Ok("self-test",
                 "domain mode: the self-test stays on this machine (its record is not written to the "
                 "directory, its codes are not sent to the OTP service)"));
    const TemporaryUser user("selftest-" + RandomHex(kNameRandomBytes));
    const std::string secret = RandomSecret();
    auto verify = [&](const std::string& code) {
        return local ? velmo::CheckCodeLocally(user.name().c_str(), secret.c_str(), code.c_str())
                     : module.VerifyPIN(user.name(), code) == 1;
    };

    Stopwatch create;
    const bool created = local ? velmo::WriteRecordText(user.name().c_str(), velmo::kKeySuffix, secret.c_str())
                               : module.ApplySetting(user.name(), Format("token-otp,%s,%u totp", secret.c_str(),
                                                                         velmo::kDefaultStep)) == 1;
    if (!created) {
        c.Add(Fail("self-test", Format("the temporary user %s could not be created", user.name().c_str()),
                   "run otpadmin as an administrator: the record key must be writable"));
        return;
    }
    c.Add(Ok("self-test", Format("created the temporary user %s with a random secret (%s, %lld ms)",
                                 user.name().c_str(), local ? "registry" : "ReadData 11", create.Ms())));

    const uint32_t step = velmo::TimeStepNumber(velmo::UnixNow(), velmo::kDefaultStep);
    const std::string code = Format("%06d", velmo::ComputeCode(secret.c_str(), step));
    const char* how = local ? "the local code check" : "VerifyPIN";
    Stopwatch first;
    if (verify(code))
        c.Add(Ok("self-test", Format("%s accepted the current code (%lld ms)", how, first.Ms())));
    else
        c.Add(Fail("self-test", Format("%s refused the current code (%lld ms)", how, first.Ms()),
                   "see the trace file: the module refuses a right code"));
    Stopwatch again;
    if (!verify(code))
        c.Add(Ok("self-test", Format("the same code again: refused (%lld ms)", again.Ms())));
    else
        c.Add(
            Fail("self-test", Format("the same code was accepted twice (%lld ms)", again.Ms()),
                 "remove HKLM\\SOFTWARE\\Velmo \"DisableOtpHistory\": without the history a seen code logs on again"));
    Stopwatch wrong;
    if (!verify(WrongCode(secret, step)))
        c.Add(Ok("self-test", Format("a wrong code: refused (%lld ms)", wrong.Ms())));
    else
        c.Add(Fail("self-test", Format("a wrong code was accepted (%lld ms)", wrong.Ms()), "see the trace file"));

    user.Remove();
    const auto left = ValuesOf(user.name());
    if (left.empty())
        c.Add(Ok("self-test", "the temporary user's values are removed"));
    else
        c.Add(Fail("self-test", Format("%zu value(s) of %s are left", left.size(), user.name().c_str()),
                   "delete them under HKLM\\Software\\Velmo\\OtpModule (32-bit view)"));
}

}  // namespace otpadmin::doctor
