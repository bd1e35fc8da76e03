#include "delivery/script_command.h"

#include <algorithm>

#include "common/text.h"
#include "delivery/delivery.h"

namespace velmo {

std::string ScriptArguments(std::string_view user, std::string_view code, std::string_view destination) {
    std::string text(user);
    text.append(" ").append(code).append(" ").append(destination);
    text.resize(std::min(text.size(), kScriptArgumentsSize - 1));
    return text;
}

std::string ScriptStatusText(std::string_view answer) { return std::string(answer.substr(0, kScriptStatusChars)); }

int ScriptOutcome(std::string_view status) { return Contains(status, "Error") ? kDeliveryFailed : kDeliveryRan; }

std::string PowerShellArguments(std::string_view folder, std::string_view script, const char* arguments) {
    std::string text = "-file \"";
    text.append(folder).append(script).append("\"");
    if (arguments) text.append(" ").append(arguments);
    text.resize(std::min(text.size(), kScriptCommandSize - 1));
    return text;
}

std::string ProcessCommandLine(const char* applicationPath, std::string_view program, std::string_view arguments) {
    std::string line;
    if (applicationPath)
        line.append("\"").append(applicationPath).append("\"");
    else
        line.append(program);
    return line.append(" ").append(arguments);
}

}  // namespace velmo
