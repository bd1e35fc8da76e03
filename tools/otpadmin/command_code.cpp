// otpadmin code --secret: the code a token or authenticator app shows.
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "commands.h"
#include "otp/otp_code.h"

namespace otpadmin {

int CommandCode(const Args& args) {
    const char* secret = Option(args, "--secret");
    if (!secret) return UsageError("code --secret needs a Base32 secret");
    uint32_t counter = 0;
    if (const char* c = Option(args, "--counter")) {
        counter = static_cast<uint32_t>(std::strtoull(c, nullptr, 10));
    } else {
        const char* t = Option(args, "--time");
        const char* s = Option(args, "--step");
        const long long now = t ? std::strtoll(t, nullptr, 10) : static_cast<long long>(std::time(nullptr));
        const long long step = s ? std::strtoll(s, nullptr, 10) : 30;
        if (step <= 0) return UsageError("--step must be a positive number of seconds");
        counter = static_cast<uint32_t>(now / step);
    }
    const int32_t code = velmo::ComputeCode(secret, counter);
    if (code < 0) {
        std::fprintf(stderr, "otpadmin: the secret is not usable Base32 text\n");
        return 1;
    }
    std::printf("%06d\n", code);
    return 0;
}

}  // namespace otpadmin
