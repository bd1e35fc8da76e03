// libFuzzer targets of the parsers of outside input, one per build (-DFUZZ_TARGET=<name>). Each runs the function
// the module calls and checks what must hold of its result. Inputs go to the heap at their exact size, so
// AddressSanitizer sees any read past them.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/language_lookup.h"
#include "common/text.h"
#include "delivery/delivery_texts.h"
#include "delivery/gateway_form.h"
#include "delivery/remote_verification.h"
#include "delivery/script_command.h"
#include "delivery/url_template.h"
#include "delivery/verification_answer.h"
#include "directory/directory_texts.h"
#include "directory/record_names.h"
#include "http/url_parts.h"
#include "otp/base32.h"
#include "otp/code_check.h"
#include "otp/otp_code.h"
#include "otp/setting_command.h"
#include "settings/hex.h"
#include "settings/protected_value.h"
#include "settings/registry.h"  // limits only
#include "settings/value_forms.h"

#define FUZZ(name) [[maybe_unused]] static void name(std::string_view in)
#define CHECK(condition) do { if (!(condition)) __builtin_trap(); } while (0)

namespace {

using namespace velmo;

// The next piece of `in` up to `separator` (all of it when there is none).
std::string_view Next(std::string_view& in, char separator = '\n') {
    const size_t end = std::min(in.find(separator), in.size());
    const std::string_view piece = in.substr(0, end);
    in.remove_prefix(std::min(end + 1, in.size()));
    return piece;
}
// A heap copy of exactly these characters, no terminator; its view; UTF-16 units from bytes.
template <typename C> std::vector<C> Exact(std::basic_string_view<C> t) { return {t.begin(), t.end()}; }
template <typename C> std::basic_string_view<C> View(const std::vector<C>& v) { return {v.data(), v.size()}; }
std::vector<char16_t> Wide(std::string_view bytes) {
    std::vector<char16_t> units(bytes.size() / 2);
    if (!units.empty()) std::memcpy(units.data(), bytes.data(), units.size() * 2);
    return units;
}
const uint8_t* Bytes(std::string_view text) { return reinterpret_cast<const uint8_t*>(text.data()); }
bool Base32Text(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '2' && c <= '7'); });
}

// The bytes a Base32 text decodes to when they re-encode to it unchanged, else -2.
int32_t Base32RoundTrip(const std::string& text) {
    std::vector<uint8_t> out(text.size() * 5 / 8 + 1);
    const int32_t n = Base32Decode(text.c_str(), out.data(), static_cast<int32_t>(out.size()));
    std::string back(text.size() + 2, '\0');
    const bool same = n >= 0 && Base32Encode(out.data(), n, back.data(), static_cast<int32_t>(back.size())) ==
                                    static_cast<int32_t>(text.size()) && back.c_str() == text;
    return same ? n : -2;
}

FUZZ(base32) {
    const std::string text(in);  // c_str() ends at an embedded NUL
    for (int32_t room : {0, 1, 3, 20, 100}) {
        std::vector<uint8_t> out(static_cast<size_t>(room));
        const int32_t n = Base32Decode(text.c_str(), out.data(), room);
        CHECK(n >= -1 && n <= room);
    }
    const int32_t code = ComputeCode(text.c_str(), in.empty() ? 0 : static_cast<uint8_t>(in[0]) * 7919u);
    CHECK(code >= -1 && code <= 999999);
    char encoded[200];
    const int32_t chars = Base32Encode(Bytes(in), static_cast<int32_t>(std::min<size_t>(in.size(), 100)), encoded, 200);
    CHECK(chars >= 0 && chars < 200 && Base32Text({encoded, size_t(chars)}) && Base32RoundTrip(encoded) >= 0);
}

FUZZ(hex) {
    const std::string text(in);
    for (size_t room : {size_t{0}, size_t{1}, size_t{7}, size_t{1008}}) {
        std::vector<uint8_t> out(room), back(room);
        const size_t n = HexDecode(text.c_str(), out.data(), room);
        CHECK(n <= room && n <= std::strlen(text.c_str()) / 2);
        CHECK(HexDecode(HexEncode(out.data(), static_cast<int32_t>(n)), back.data(), n) == n);
        CHECK(std::equal(back.begin(), back.begin() + static_cast<ptrdiff_t>(n), out.begin()));
    }
    CHECK(std::strlen(HexEncode(Bytes(in), static_cast<int32_t>(in.size()))) < kHexEncodeBufferSize);
}

FUZZ(protected_value) {
    (void)DecryptProtectedText(View(Exact(in)));
    if (in.size() < kProtectedSaltSize) return;
    const std::string plain(in.substr(kProtectedSaltSize).substr(0, in.substr(kProtectedSaltSize).find('\0')));
    const std::string hex = EncryptProtectedText(plain, Bytes(in));
    CHECK(plain.size() > kMaxProtectedPlaintext ? hex.empty() : DecryptProtectedText(hex).value_or("?") == plain);
}

// MultiSzStr_to_List: a list only when every text, the final empty one included, ends inside the length.
FUZZ(multi_string) {
    const auto units = Wide(in);
    const auto texts = MultiSzStr_to_List(units.data(), units.size());
    if (!texts) return;
    size_t used = 1;
    for (const auto& text : *texts) {
        CHECK(!text.empty() && text.find(u'\0') == std::u16string::npos);
        used += text.size() + 1;
    }
    CHECK(used <= units.size() && units[used - 1] == u'\0');
}

// The verification service's answer, the gateway's answer and its success marker, the delivery script's
// answer: none is read past its length, and only the characters that count decide.
FUZZ(answers) {
    const auto marker = Exact(Next(in));
    const auto answer = Exact(in);
    const int verdict = ScanVerificationAnswer(View(answer));
    CHECK(verdict == kRemoteConfirmed || verdict == kRemoteNoStatus || verdict == kRemoteNoValue);
    CHECK(verdict == ScanVerificationAnswer(in.substr(0, kVerificationAnswerChars)));
    const std::string status = GatewayStatusText(View(answer), kGetAnswerChars);
    CHECK(status.size() == std::strlen(kDeliveryStatusPrefix) + std::min(answer.size(), kGetAnswerChars));
    const size_t at = FindNoCase(status, View(marker));
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    for (size_t i = 0; at != std::string::npos && i < marker.size(); ++i)
        CHECK(at + i < status.size() && lower(status[at + i]) == lower(marker[i]));
    CHECK(ScriptStatusText(View(answer)).size() <= kScriptStatusChars);
}

std::string Without(std::string_view text, std::string_view drop) {
    std::string kept(text);
    std::erase_if(kept, [&](char c) { return c == '\0' || drop.find(c) != std::string_view::npos; });
    return kept;
}

// Any text parses into terminated parts; parts put together give back the URL that is parsed.
FUZZ(url) {
    UrlParts parts;
    std::vector<char> query(kQuerySize, '\0');
    ParseURL(View(Exact(in)), parts, query.data(), query.size());
    for (const char* part : {parts.scheme, parts.host, parts.path}) CHECK(std::memchr(part, '\0', kUrlPartSize));
    CHECK(std::strlen(query.data()) <= kQueryMaxChars);

    const std::string scheme = Without(Next(in), ":"), host = Without(Next(in), ":/"),
                      port = std::to_string(static_cast<uint16_t>(ParseUnsignedDecimal(Next(in)))),
                      path = "/" + Without(Next(in), "?"), given = Without(in, "").substr(0, kQueryMaxChars);
    const std::string url = scheme + "://" + host + ":" + port + path + "?" + given;
    query.assign(kQuerySize, '\0');
    ParseURL(url, parts, query.data(), query.size());
    if (std::max({scheme.size(), host.size(), path.size()}) < kUrlPartSize)
        CHECK(parts.scheme + std::string("://") + parts.host + ":" + std::to_string(parts.port) + parts.path + "?" +
                  query.data() == url);
    // Values never bring a line break into a filled template.
    CHECK(FillTemplate(Without(url, "\r\n"), host, given, port, scheme).find_first_of("\r\n") == std::string::npos);
}

// ReadData's setting command keeps its parts within their limits; a secret given in hexadecimal becomes Base32
// that decodes and re-encodes unchanged, of an accepted length exactly for 10, 20, 32 or 35 bytes.
FUZZ(setting_command) {
    const OtpSettingCommand c = ParseOtpSettingCommand(View(Exact(in)));
    CHECK(c.keyType.size() <= kKeyTypeMax);
    if (!c.token) return;
    CHECK(c.token->given.size() <= kTokenSecretMax && c.token->step != 0);
    const std::string &given = c.token->given, &secret = c.token->secret;
    if (given.size() == 16 || given.size() == 32 || secret == given) return;
    const int32_t bytes = Base32RoundTrip(secret);
    CHECK(Base32Text(secret) && bytes == static_cast<int32_t>(given.size() / 2));
    CHECK(c.token->LengthAccepted() == (bytes == 10 || bytes == 20 || bytes == 32 || bytes == 35));
}

// The symbol file and the language file, narrow and UTF-16 ("<id>\x01<symbols>\x01<language>").
FUZZ(language) {
    const uint32_t id = ParseUnsignedDecimal(Next(in, '\x01'));
    const std::string_view symbols = Next(in, '\x01');
    const auto check = [id](const auto& names, const auto& texts) {
        if (const auto name = FindSymbolName(View(names), id)) {
            CHECK(name->size() < kSymbolNameSearch && name->find(' ') == name->npos);
            CHECK(name->find('\t') == name->npos && FindTranslation(View(texts), *name).size() < kTranslationMax);
        }
    };
    check(Exact(symbols), Exact(in));
    check(Wide(symbols), Wide(in));
}

// Registry data read as record fields (counters, steps, skews as numbers or text, histories as hexadecimal
// text), time steps of any clock and step, and the history and skew texts of the directory.
FUZZ(record_values) {
    auto data = Exact(in);
    const auto bytes = reinterpret_cast<uint8_t*>(data.data());
    int64_t clock = 0;
    int32_t step = 0, first = 0;
    std::memcpy(&clock, in.data(), std::min(in.size(), sizeof clock));
    std::memcpy(&first, in.data(), std::min(in.size(), sizeof first));
    if (in.size() > sizeof clock) std::memcpy(&step, in.data() + 8, std::min(in.size() - 8, sizeof step));
    for (uint32_t kind : {0u, 1u, 3u, 4u, 7u}) (void)NumberFromValue(kind, bytes, data.size(), 9);
    if (in.size() >= sizeof first) CHECK(NumberFromValue(kRegKindDword, bytes, data.size(), 9) == uint32_t(first));
    const std::string decimal = std::to_string(first);  // a number stored as text reads back
    CHECK(first == 0 || NumberFromValue(kRegKindText, Bytes(decimal), decimal.size(), 9) == uint32_t(first));
    const uint32_t stepNumber = TimeStepNumber(clock, step);
    CHECK(clock < 0 || step <= 0 || stepNumber == static_cast<uint32_t>(clock / step));
    // Hexadecimal text decoded in place leaves the bytes and nothing of the text after them.
    const std::string text(in.substr(0, in.find('\0')));
    const uint32_t n = BytesFromHexValue(bytes, static_cast<uint32_t>(data.size()));
    CHECK(n == std::min<size_t>(text.size() / 2, std::min<size_t>(data.size(), kHexValueWorkSize)));
    std::vector<uint8_t> expected(n);
    HexDecode(text.c_str(), expected.data(), n);
    CHECK(std::equal(expected.begin(), expected.end(), bytes));
    CHECK(std::all_of(bytes + n, bytes + data.size(), [](uint8_t b) { return b == 0; }));

    (void)HistoryFromDirectory(View(Exact(in)));
    const size_t count = std::min<size_t>(data.size(), 4 * 1249);  // what HexEncode writes whole
    const auto down = HistoryFromDirectory(HistoryForDirectory(bytes, static_cast<uint32_t>(count)));
    CHECK(count < 8 || (down && down->size() == count / 4 && std::equal(down->begin(), down->end(), bytes)));
}

// The self-enrolment reply: any secret block text under any session key and key position gives a
// 32-character Base32 secret; a session key made of any random bytes has ten letters.
FUZZ(enrolment_reply) {
    SessionKey key{};
    std::memcpy(key.data(), in.data(), std::min(in.size(), key.size()));
    ClearAtSessionPosition(key, in.empty() ? 0 : static_cast<int8_t>(in[0]));
    const SecretBlock block = DecryptSecretBlock(View(Exact(in.substr(std::min(in.size(), key.size())))), key);
    CHECK(block.secret.size() == 32 && Base32Text(block.secret));
    if (const auto random = Exact(in); !MakeSessionKey(Bytes(View(random)), random.size(), key)) return;
    CHECK(std::all_of(key.begin(), key.begin() + kSessionWordLetters, [](uint8_t c) { return c >= 'a' && c <= 'z'; }));
}

// Every bounded copy, append and format ends inside its buffer, terminated.
FUZZ(bounded_text) {
    const size_t room = in.empty() ? 0 : static_cast<uint8_t>(in[0]) % 40;
    const std::string_view text = in.substr(std::min<size_t>(1, in.size()));
    std::vector<char> buffer(room, 'x');
    const auto ends = [&](size_t n) { CHECK(room == 0 || (n < room && buffer[n] == '\0')); };
    ends(AppendText(buffer.data(), room, text));  // onto an unterminated buffer
    ends(CopyText(buffer.data(), room, text, room / 2));
    ends(AppendText(buffer.data(), room, text));
    ends(FormatText(buffer.data(), room, "%.*s|%d", int(text.size()), text.data(), int(room)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FUZZ_TARGET(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
