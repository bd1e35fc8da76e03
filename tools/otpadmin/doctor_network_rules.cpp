#include "doctor_network_rules.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/text.h"
#include "http/url_parts.h"

namespace otpadmin::doctor {

namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

constexpr char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";

}  // namespace

std::string OriginOf(std::string_view url) {
    velmo::UrlParts parts;
    char query[velmo::kQuerySize] = {};
    velmo::ParseURL(url, parts, query, sizeof query);
    if (!parts.host[0] || std::strchr(parts.host, '%')) return {};
    const bool secure = std::strcmp(parts.scheme, "https") == 0;
    return velmo::Format("%s://%s:%u/", secure ? "https" : "http", parts.host, static_cast<unsigned>(parts.port));
}

std::optional<int64_t> HttpDateSeconds(std::string_view date) {
    char text[64];
    velmo::CopyText(text, date);
    char weekday[4] = {}, month[4] = {}, zone[4] = {};
    int day = 0, year = 0, hour = 0, minute = 0, second = 0, used = 0;
    if (std::sscanf(text, "%3[A-Za-z], %2d %3[A-Za-z] %4d %2d:%2d:%2d %3s%n", weekday, &day, month, &year, &hour,
                    &minute, &second, zone, &used) != 8 ||
        text[used] != '\0' || std::strcmp(zone, "GMT") != 0)
        return std::nullopt;
    const char* found = std::strstr(kMonths, month);
    if (!found || std::strlen(month) != 3 || (found - kMonths) % 3 != 0) return std::nullopt;
    const unsigned m = static_cast<unsigned>((found - kMonths) / 3 + 1);
    if (day < 1 || day > 31 || year < 1970 || hour > 23 || minute > 59 || second > 60) return std::nullopt;
    return DaysFromCivil(year, m, static_cast<unsigned>(day)) * 86400 + hour * 3600 + minute * 60 + second;
}

std::string UtcText(int64_t seconds) {
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) rest += 86400, --days;
    // Civil from days (the inverse of DaysFromCivil).
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
    return velmo::Format("%04lld-%02u-%02u %02d:%02d UTC", static_cast<long long>(y), m, d,
                         static_cast<int>(rest / 3600), static_cast<int>(rest % 3600 / 60));
}

Finding ClockFinding(std::string_view server, int64_t offset, int32_t stepSeconds) {
    const int64_t size = std::llabs(offset);
    const std::string found =
        offset == 0
            ? velmo::Format("this clock agrees with %.*s to the second", static_cast<int>(server.size()), server.data())
            : velmo::Format("this clock is %lld s %s %.*s; a time step is %d s", static_cast<long long>(size),
                            offset > 0 ? "behind" : "ahead of", static_cast<int>(server.size()), server.data(),
                            stepSeconds);
    constexpr char kSetTime[] =
        "set this machine's time (w32tm /resync, or the domain's time service); TOTP codes are made for the "
        "time step of the user's phone";
    if (size >= stepSeconds) return Fail("clock", found, kSetTime);
    if (size * 4 >= stepSeconds) return Warn("clock", found, kSetTime);
    return Ok("clock", found);
}

bool IsCertificateFailure(uint32_t error) {
    switch (error) {
        case 12037:
        case 12038:
        case 12044:
        case 12045:
        case 12057:
        case 12169:
        case 12175:
        case 12179:
            return true;
        default:
            return false;
    }
}

std::string RequestFailureText(uint32_t error) {
    const char* meaning = nullptr;
    switch (error) {
        case 12002:
            meaning = "no answer in time";
            break;
        case 12007:
            meaning = "host name not resolved";
            break;
        case 12029:
            meaning = "TCP connection refused or unreachable";
            break;
        case 12030:
            meaning = "connection closed before an answer";
            break;
        case 12031:
            meaning = "connection reset";
            break;
        case 12037:
            meaning = "TLS: certificate out of date";
            break;
        case 12038:
            meaning = "TLS: certificate names another host";
            break;
        case 12044:
            meaning = "TLS: the server asks for a client certificate";
            break;
        case 12045:
            meaning = "TLS: certificate issued by an authority this machine does not trust";
            break;
        case 12057:
            meaning = "TLS: the certificate's revocation cannot be checked";
            break;
        case 12157:
            meaning = "TLS handshake failed";
            break;
        case 12175:
        case 12179:
            meaning = "TLS: the certificate is not acceptable";
            break;
        case 12169:
            meaning = "TLS: the certificate is not valid";
            break;
        default:
            meaning = "request failed";
            break;
    }
    return velmo::Format("%s (%u)", meaning, static_cast<unsigned>(error));
}

}  // namespace otpadmin::doctor
