#include "schema_syntax.h"

#include <array>
#include <vector>

#include "wide_text.h"

namespace velmo::adap {

namespace {

// Syntaxes whose values are bytes, not text (RFC 4517 and RFC 4523).
constexpr std::array<std::wstring_view, 9> kBinarySyntaxes = {
    L"1.3.6.1.4.1.1466.115.121.1.4",   // Audio
    L"1.3.6.1.4.1.1466.115.121.1.5",   // Binary
    L"1.3.6.1.4.1.1466.115.121.1.8",   // Certificate
    L"1.3.6.1.4.1.1466.115.121.1.9",   // Certificate List
    L"1.3.6.1.4.1.1466.115.121.1.10",  // Certificate Pair
    L"1.3.6.1.4.1.1466.115.121.1.23",  // Fax
    L"1.3.6.1.4.1.1466.115.121.1.28",  // JPEG
    L"1.3.6.1.4.1.1466.115.121.1.40",  // Octet String
    L"1.3.6.1.4.1.1466.115.121.1.49",  // Supported Algorithm
};
// Active Directory syntaxes whose values are bytes: Octet String (GUIDs,
// replica links and other blobs), NT Security Descriptor, SID.
constexpr std::array<std::wstring_view, 3> kBinaryAdSyntaxes = {L"2.5.5.10", L"2.5.5.15", L"2.5.5.17"};
constexpr size_t kMaxKeywordLength = 100;
// A supertype chain longer than this is a loop.
constexpr int kMaxSupertypeDepth = 16;

// Words of a description: parentheses, quoted texts (without their quotes)
// and runs of other characters.
std::vector<std::wstring_view> Words(std::wstring_view text) {
    std::vector<std::wstring_view> words;
    size_t i = 0;
    while (i < text.size()) {
        const wchar_t c = text[i];
        if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n') {
            ++i;
        } else if (c == L'(' || c == L')') {
            words.push_back(text.substr(i++, 1));
        } else if (c == L'\'') {
            const size_t end = text.find(L'\'', i + 1);
            if (end == std::wstring_view::npos) break;
            words.push_back(text.substr(i + 1, end - i - 1));
            i = end + 1;
        } else {
            size_t end = i;
            while (end < text.size() && std::wstring_view(L" \t\r\n()'").find(text[end]) == std::wstring_view::npos) ++end;
            words.push_back(text.substr(i, end - i));
            i = end;
        }
    }
    return words;
}

}  // namespace

void AttributeSyntaxes::Add(std::wstring_view description) {
    const auto words = Words(description);
    std::vector<std::wstring> names;
    Type type;
    for (size_t i = 0; i + 1 < words.size(); ++i) {
        if (words[i] == L"NAME") {
            if (words[i + 1] != L"(") {
                names.push_back(LowerAscii(words[i + 1]));
                continue;
            }
            for (size_t j = i + 2; j < words.size() && words[j] != L")"; ++j) names.push_back(LowerAscii(words[j]));
        } else if (words[i] == L"DESC") {
            ++i;  // free text, never a keyword
        } else if (words[i] == L"SUP") {
            type.supertype = LowerAscii(words[i + 1]);
        } else if (words[i] == L"SYNTAX") {
            type.syntax = words[i + 1].substr(0, words[i + 1].find(L'{'));
        }
    }
    for (const auto& name : names) types_[name] = type;
}

void AttributeSyntaxes::AddUnknown(std::wstring_view name) { types_.try_emplace(LowerAscii(name)); }

void AttributeSyntaxes::AddKnown(std::wstring_view name, bool text) {
    // Stored as the LDAP syntax that reads the same way.
    types_[LowerAscii(name)] = Type{text ? L"1.3.6.1.4.1.1466.115.121.1.15" : L"1.3.6.1.4.1.1466.115.121.1.40", L""};
}

bool IsTextAdSyntax(std::wstring_view attributeSyntax) {
    for (auto binary : kBinaryAdSyntaxes)
        if (attributeSyntax == binary) return false;
    return true;
}

bool IsAttributeKeyword(std::wstring_view name) {
    if (name.empty() || name.size() > kMaxKeywordLength) return false;
    auto letter = [](wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); };
    if (!letter(name[0])) return false;
    for (wchar_t c : name)
        if (!letter(c) && !(c >= L'0' && c <= L'9') && c != L'-') return false;
    return true;
}

std::wstring AttributeSyntaxes::Missing(std::wstring_view name) const {
    std::wstring current = LowerAscii(name);
    for (int depth = 0; depth < kMaxSupertypeDepth; ++depth) {
        const auto found = types_.find(current);
        if (found == types_.end()) return current;
        if (!found->second.syntax.empty()) return {};
        current = found->second.supertype;
    }
    return {};
}

bool AttributeSyntaxes::IsText(std::wstring_view name) const {
    std::wstring current = LowerAscii(name);
    for (int depth = 0; depth < kMaxSupertypeDepth; ++depth) {
        const auto found = types_.find(current);
        if (found == types_.end()) return true;
        if (!found->second.syntax.empty()) {
            for (auto binary : kBinarySyntaxes)
                if (found->second.syntax == binary) return false;
            return true;
        }
        current = found->second.supertype;
    }
    return true;
}

std::vector<char> MatchedTypeControlValue(std::wstring_view name) {
    return MatchedValuesControlValue("attributeTypes", name);
}

std::vector<char> MatchedValuesControlValue(std::string_view kType, std::wstring_view name) {
    // Short BER lengths only: the whole control stays under 128 bytes.
    constexpr size_t kMaxName = 100;
    if (name.empty() || name.size() > kMaxName) return {};
    std::string ascii;
    for (wchar_t c : name) {
        if (c > 0x7E || c <= 0x20) return {};
        ascii += static_cast<char>(c);
    }
    const size_t assertion = 2 + kType.size() + 2 + ascii.size();
    std::vector<char> value = {0x30, static_cast<char>(assertion + 2), static_cast<char>(0xA3),
                               static_cast<char>(assertion), 0x04, static_cast<char>(kType.size())};
    value.insert(value.end(), kType.begin(), kType.end());
    value.push_back(0x04);
    value.push_back(static_cast<char>(ascii.size()));
    value.insert(value.end(), ascii.begin(), ascii.end());
    return value;
}

}  // namespace velmo::adap
