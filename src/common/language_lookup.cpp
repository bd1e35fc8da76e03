#include "common/language_lookup.h"

namespace velmo {

namespace {

template <typename Char>
std::basic_string<Char> Widen(const std::string& text) {
    return std::basic_string<Char>(text.begin(), text.end());
}

template <typename Char>
std::optional<std::basic_string<Char>> SymbolName(std::basic_string_view<Char> symbols, uint32_t id) {
    const auto digits = Widen<Char>(std::to_string(id));
    const size_t match = symbols.find(digits);
    if (match == std::basic_string_view<Char>::npos) return std::nullopt;
    // Look back from the match (included) over at most 60 characters.
    size_t hash = std::basic_string_view<Char>::npos;
    for (size_t k = 0; k < kSymbolLookBack && k <= match; ++k) {
        if (symbols[match - k] == Char('#')) {
            hash = match - k;
            break;
        }
    }
    if (hash == std::basic_string_view<Char>::npos) return std::nullopt;
    const size_t start = hash + kSymbolNameOffset;
    if (start >= symbols.size()) return std::nullopt;
    for (size_t end = start; end < symbols.size() && end - start < kSymbolNameSearch; ++end) {
        if (symbols[end] == Char(' ') || symbols[end] == Char('\t'))
            return std::basic_string<Char>(symbols.substr(start, end - start));
    }
    return std::nullopt;
}

// Where the line of `name` is: the name followed by a blank, else by a tab.
template <typename Char>
size_t FindNameLine(std::basic_string_view<Char> language, std::basic_string_view<Char> name) {
    if (name.empty()) return std::basic_string_view<Char>::npos;
    std::basic_string<Char> key(name);
    key.push_back(Char(' '));
    size_t at = language.find(key);
    if (at == std::basic_string_view<Char>::npos) {
        key.back() = Char('\t');
        at = language.find(key);
    }
    return at;
}

template <typename Char>
void ReplaceLineBreakMarks(std::basic_string<Char>& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == Char('\\') && text[i + 1] == Char('n')) {
            text[i] = Char(' ');
            text[i + 1] = Char('\n');
            ++i;
        }
    }
}

}  // namespace

std::optional<std::string> FindSymbolName(std::string_view symbols, uint32_t id) { return SymbolName(symbols, id); }

std::optional<std::u16string> FindSymbolName(std::u16string_view symbols, uint32_t id) {
    return SymbolName(symbols, id);
}

std::string FindTranslation(std::string_view language, std::string_view name) {
    const size_t line = FindNameLine(language, name);
    if (line == std::string_view::npos) return {};
    const size_t quote = language.find('"', line + 1);
    if (quote == std::string_view::npos) return {};
    const size_t start = quote + 1;
    size_t end = language.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = language.size();
    // The last character before the line break is the closing quote.
    if (end <= start) return {};
    const size_t span = end - 1 - start;
    if (span >= kTranslationMax) return {};
    std::string text(language.substr(start, span));
    if (!text.empty() && text.back() == '"') text.pop_back();
    ReplaceLineBreakMarks(text);
    return text;
}

std::u16string FindTranslation(std::u16string_view language, std::u16string_view name) {
    const size_t line = FindNameLine(language, name);
    if (line == std::u16string_view::npos) return {};
    const size_t quote = language.find(u'"', line + 1);
    if (quote == std::u16string_view::npos) return {};
    const size_t start = quote + 1;
    const size_t end = language.find(u'"', start);
    if (end == std::u16string_view::npos || end - start >= kTranslationMax) return {};
    std::u16string text(language.substr(start, end - start));
    ReplaceLineBreakMarks(text);
    return text;
}

}  // namespace velmo
