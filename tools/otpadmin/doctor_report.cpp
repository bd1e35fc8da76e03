#include "doctor_report.h"

#include <cstdio>

namespace otpadmin::doctor {

namespace {

constexpr int kCheckColumn = 14;
constexpr char kActionIndent[] = "      -> ";

std::string Printable(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return out;
}

}  // namespace

const char* VerdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::Ok:
            return "OK";
        case Verdict::Warn:
            return "WARN";
        default:
            return "FAIL";
    }
}

int Count(const Findings& findings, Verdict verdict) {
    int n = 0;
    for (const auto& f : findings) n += f.verdict == verdict;
    return n;
}

std::string TextReport(const Findings& findings) {
    std::string out;
    char head[64];
    for (const auto& f : findings) {
        std::snprintf(head, sizeof head, "%-4s  %-*s ", VerdictName(f.verdict), kCheckColumn, f.check.c_str());
        out += head + Printable(f.found) + "\n";
        if (f.verdict != Verdict::Ok && !f.action.empty()) out += kActionIndent + Printable(f.action) + "\n";
    }
    std::snprintf(head, sizeof head, "%zu checks: %d OK, %d WARN, %d FAIL\n", findings.size(),
                  Count(findings, Verdict::Ok), Count(findings, Verdict::Warn), Count(findings, Verdict::Fail));
    return out + head;
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string JsonReport(const Findings& findings) {
    std::string out = "{\"checks\": [";
    for (size_t i = 0; i < findings.size(); ++i) {
        const Finding& f = findings[i];
        out += i ? ",\n  " : "\n  ";
        out += "{\"check\": " + JsonString(f.check) + ", \"result\": " + JsonString(VerdictName(f.verdict)) +
               ", \"found\": " + JsonString(f.found) + ", \"action\": " + JsonString(f.action) + "}";
    }
    char tail[96];
    std::snprintf(tail, sizeof tail, "],\n \"ok\": %d, \"warnings\": %d, \"failures\": %d}\n",
                  Count(findings, Verdict::Ok), Count(findings, Verdict::Warn), Count(findings, Verdict::Fail));
    return out + tail;
}

}  // namespace otpadmin::doctor
