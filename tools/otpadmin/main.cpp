// otpadmin: the administrator's host program for velmo_otp.dll. Commands that
// reach the module load it and call its exports exactly as the logon product
// does (InitLibrary first, CloseLibrary last).
#include <cstdio>
#include <cstring>

#include "commands.h"

namespace otpadmin {

namespace {

const Command kCommands[] = {
    {"init", "              load and initialise the module, print what it set up", CommandInit},
    {"provision", "USER [--hotp] [--replace]\n"
                  "          give USER a secret (TOTP, or HOTP) unless they have one (--replace: a new\n"
                  "          one); print the provisioning URL, the otpauth URI and the hex secret",
     CommandProvision},
    {"code", "USER [--offset-minutes M] [--time T]\n"
             "          the code USER's token shows now (or at Unix time T, or on a clock M minutes fast)\n"
             "     code --secret BASE32 (--counter N | [--time T] [--step S])\n"
             "          the code for a given secret",
     CommandCode},
    {"verify", "USER CODE     check a code as the logon does (VerifyPIN)", CommandVerify},
    {"delete", "USER          remove USER's OTP record (DeleteData)", CommandDelete},
    {"users", "               list the OTP records (and who is locked by the failure limit)", CommandUsers},
    {"unlock", "USER          lift USER's lock of the failure limit", CommandUnlock},
    {"settings", "            open the OTP settings dialog (DisplaySettingsDialog)", CommandSettings},
    {"kind", "USER            the kind of OTP USER has (ReadData 10)", CommandKind},
    {"set", "USER COMMAND     apply an OTP setting: totp, hotp, sms-otp,DEST or token-otp,SECRET[,STEP]\n"
            "          (ReadData 11)",
     CommandSet},
    {"secret", "USER          USER's secret in hexadecimal (ReadData 6)", CommandSecret},
    {"read", "USER N          data block N of USER (ReadData)", CommandRead},
    {"write", "USER N FILE    store FILE as data block N of USER (WriteData)", CommandWrite},
    {"send", "USER            send USER the current code by SMS or e-mail (ReadData 7)", CommandSend},
    {"check-remote", "USER CODE  ask the \"URL\" verification service about a code", CommandCheckRemote},
    {"directory", "           what the module sees of the directory, and its OTP records", CommandDirectory},
    {"directory-account", "SERVER ACCOUNT PASSWORD|- [FLAG]\n"
                          "          the custom directory server and account (\"ADAP_ip\", \"ADAP_Userxxx\",\n"
                          "          \"ADAP_Pwdxxx\" encrypted, \"ADAP_Flag\"); - reads the password from standard\n"
                          "          input; directory-account --clear removes them",
     CommandDirectoryAccount},
    {"doctor", "[--selftest] [--json] [--url URL]\n"
               "          check this machine as the module will meet it, one line a check, and say what to fix;\n"
               "          --selftest also logs a temporary user on; exits with the number of FAILs",
     CommandDoctor},
};

void PrintUsage() {
    std::fputs("usage: otpadmin <command> [arguments]\n", stderr);
    for (const auto& c : kCommands) std::fprintf(stderr, "  %s %s\n", c.name, c.usage);
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
