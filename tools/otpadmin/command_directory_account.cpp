// otpadmin directory-account: stores the custom directory server and account
// the module uses for its records and its user lookup ("ADAP_ip",
// "ADAP_Userxxx", "ADAP_Pwdxxx", "ADAP_Flag"). The account's name and
// password are protected values: the registry layer stores them encrypted.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "commands.h"
#include "common/secure_wipe.h"
#include "directory/directory_state.h"
#include "settings/registry.h"

namespace otpadmin {

namespace {

bool Store(const char* name, const char* text) {
    if (velmo::WriteRegString(velmo::RegRoot::LocalMachine, velmo::kVelmoKey, name, text)) return true;
    std::fprintf(stderr, "otpadmin: cannot store \"%s\"\n", name);
    return false;
}

}  // namespace

int CommandDirectoryAccount(const Args& args) {
    using namespace velmo;
    if (args.size() == 1 && args[0] == "--clear") {
        const bool ok = Store(kCustomUserValue, nullptr) & Store(kCustomPasswordValue, nullptr) &
                        Store(kCustomServerValue, nullptr);
        WriteRegDword(RegRoot::LocalMachine, kVelmoKey, kCustomFlagValue, 0);
        std::puts(ok ? "custom directory account removed" : "custom directory account: not all values removed");
        return ok ? 0 : 1;
    }
    if (args.size() < 3 || args.size() > 4) return UsageError("directory-account SERVER ACCOUNT PASSWORD|- [FLAG]");
    std::string password = args[2];
    if (password == "-" && !std::getline(std::cin, password)) return UsageError("no password on standard input");
    char* end = nullptr;
    const unsigned long flag = args.size() == 4 ? std::strtoul(args[3].c_str(), &end, 0) : 0;
    if (args.size() == 4 && (*end != '\0' || flag > 0xFFFF)) return UsageError("FLAG is a number of 16 bits");
    // The module keeps no more of each.
    for (const std::string* text : {&args[0], &args[1], static_cast<const std::string*>(&password)})
        if (text->size() > kSettingCharsMax || text->empty())
            return UsageError("server, account and password need 1 to 99 characters");
    const bool ok = Store(kCustomServerValue, args[0].c_str()) && Store(kCustomUserValue, args[1].c_str()) &&
                    Store(kCustomPasswordValue, password.c_str()) &&
                    WriteRegDword(RegRoot::LocalMachine, kVelmoKey, kCustomFlagValue, static_cast<uint32_t>(flag));
    SecureWipe(password);
    if (ok) std::printf("custom directory account %s on %s stored (name and password encrypted)\n", args[1].c_str(),
                        args[0].c_str());
    return ok ? 0 : 1;
}

}  // namespace otpadmin
