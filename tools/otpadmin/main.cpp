// otpadmin: the administrator's host program for velmo_otp.dll. Commands that
// reach the module load it and call its exports exactly as the logon product
// does (InitLibrary first, CloseLibrary last).
#include <cstdio>
#include <cstring>

#include "commands.h"

namespace otpadmin {

namespace {

const Command kCommands[] = {
    {"init", "                        load and initialise the module, print what it set up", CommandInit},
    {"code", "--secret BASE32 (--counter N | [--time T] [--step S])\n"
             "                             the code a token shows for counter N, or an authenticator\n"
             "                             app at Unix time T (default now, step 30 s)",
     CommandCode},
    {"check-remote", "USER CODE         ask the \"URL\" verification service about a code",
     CommandCheckRemote},
};

void PrintUsage() {
    std::fputs("usage: otpadmin <command> [arguments]\n", stderr);
    for (const auto& c : kCommands) std::fprintf(stderr, "  %-6s %s\n", c.name, c.usage);
}

}  // namespace

const char* Option(const Args& args, const char* name) {
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == name) return args[i + 1].c_str();
    return nullptr;
}

bool Flag(const Args& args, const char* name) {
    for (const auto& a : args)
        if (a == name) return true;
    return false;
}

int UsageError(const char* message) {
    std::fprintf(stderr, "otpadmin: %s\n", message);
    return 2;
}

}  // namespace otpadmin

int main(int argc, char** argv) {
    using namespace otpadmin;
    if (argc >= 2) {
        const Args args(argv + 2, argv + argc);
        for (const auto& c : kCommands)
            if (std::strcmp(argv[1], c.name) == 0) return c.run(args);
    }
    PrintUsage();
    return 2;
}
