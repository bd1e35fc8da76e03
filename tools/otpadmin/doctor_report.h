// What otpadmin doctor found: one finding per check, printed as a checklist
// for the administrator or as JSON for scripts and monitoring. Pure code.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace otpadmin::doctor {

enum class Verdict { Ok, Warn, Fail };

struct Finding {
    std::string check;  // short name of the check, e.g. "clock"
    Verdict verdict = Verdict::Ok;
    std::string found;   // what the check found
    std::string action;  // what to do about a WARN or FAIL
};

using Findings = std::vector<Finding>;

inline Finding Ok(std::string check, std::string found) {
    return {std::move(check), Verdict::Ok, std::move(found), {}};
}
inline Finding Warn(std::string check, std::string found, std::string action) {
    return {std::move(check), Verdict::Warn, std::move(found), std::move(action)};
}
inline Finding Fail(std::string check, std::string found, std::string action) {
    return {std::move(check), Verdict::Fail, std::move(found), std::move(action)};
}

const char* VerdictName(Verdict verdict);  // "OK", "WARN", "FAIL"
int Count(const Findings& findings, Verdict verdict);

// One line per finding ("FAIL  clock        ..."), the action on the next
// line, and a summary. Texts from outside (registry, directory, servers)
// are printed with control characters replaced by "?".
std::string TextReport(const Findings& findings);

// {"checks": [{"check", "result", "found", "action"}...], "ok", "warnings",
// "failures"}; bytes above 0x7F are taken as Latin-1, control characters
// escaped.
std::string JsonReport(const Findings& findings);
std::string JsonString(std::string_view text);

}  // namespace otpadmin::doctor
