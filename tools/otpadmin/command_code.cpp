// otpadmin code: the code a token or authenticator app shows.
//   code --secret BASE32 (--counter N | [--time T] [--step S])
//   code USER [--offset-minutes M] [--time T]   from the user's stored record
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "commands.h"
#include "otp/otp_code.h"
#include "otp/user_record.h"

namespace otpadmin {

namespace {

int PrintCode(const char* secret, uint32_t counter) {
    const int32_t code = velmo::ComputeCode(secret, counter);
    if (code < 0) {
        std::fprintf(stderr, "otpadmin: the secret is not usable Base32 text\n");
        return 1;
    }
    std::printf("%06d\n", code);
    return 0;
}

long long Now(const Args& args) {
    const char* t = Option(args, "--time");
    long long now = t ? std::strtoll(t, nullptr, 10) : static_cast<long long>(std::time(nullptr));
    // A token whose clock runs ahead (or behind, when negative).
    if (const char* m = Option(args, "--offset-minutes")) now += std::strtoll(m, nullptr, 10) * 60;
    return now;
}

// What the user's own token shows: an authenticator app the code of the time
// step, a counter-based token the code of the counter it expects next.
int CodeOfUser(const Args& args) {
    const char* user = args[0].c_str();
    const std::string secret = velmo::ReadSecret(user);
    if (secret.empty()) {
        std::fprintf(stderr, "otpadmin: %s has no OTP record\n", user);
        return 1;
    }
    const uint32_t counter = velmo::ReadRecordNumber(user, velmo::kCounterSuffix, 0);
    if (counter != 0) return PrintCode(secret.c_str(), counter);
    return PrintCode(secret.c_str(), velmo::TimeStepNumber(Now(args), velmo::ReadTimeStep(user)));
}

}  // namespace

int CommandCode(const Args& args) {
    if (!args.empty() && args[0].rfind("--", 0) != 0) return CodeOfUser(args);
    const char* secret = Option(args, "--secret");
    if (!secret) return UsageError("code needs a user name or --secret BASE32");
    if (const char* c = Option(args, "--counter"))
        return PrintCode(secret, static_cast<uint32_t>(std::strtoull(c, nullptr, 10)));
    const char* s = Option(args, "--step");
    const long long step = s ? std::strtoll(s, nullptr, 10) : 30;
    if (step <= 0) return UsageError("--step must be a positive number of seconds");
    return PrintCode(secret, static_cast<uint32_t>(Now(args) / step));
}

}  // namespace otpadmin
