// otpadmin commands: each takes the arguments after its name and returns the
// process exit code (0 success, 1 refused/failed, 2 usage error).
#pragma once

#include <string>
#include <vector>

namespace otpadmin {

using Args = std::vector<std::string>;

struct Command {
    const char* name;
    const char* usage;  // argument synopsis and one-line description
    int (*run)(const Args& args);
};

// Value following `name` in the arguments, or null.
const char* Option(const Args& args, const char* name);
bool Flag(const Args& args, const char* name);
int UsageError(const char* message);

int CommandInit(const Args& args);
int CommandCode(const Args& args);
int CommandProvision(const Args& args);
int CommandVerify(const Args& args);
int CommandDelete(const Args& args);
int CommandUsers(const Args& args);
int CommandUnlock(const Args& args);
int CommandSettings(const Args& args);
int CommandCheckRemote(const Args& args);
int CommandSend(const Args& args);
int CommandKind(const Args& args);
int CommandSet(const Args& args);
int CommandSecret(const Args& args);
int CommandRead(const Args& args);
int CommandWrite(const Args& args);
int CommandDirectory(const Args& args);
int CommandDirectoryAccount(const Args& args);
int CommandDoctor(const Args& args);

}  // namespace otpadmin
