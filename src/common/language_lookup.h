// Finding a message in the product's translation files, held in memory:
// the symbol file ("#define NAME 2437" lines) names the identifier, the
// language file (NAME "text" lines) holds its text. Narrow (ANSI) and UTF-16
// files follow the same rules. Pure code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmo {

constexpr size_t kSymbolLookBack = 60;     // characters searched back from the identifier for "#"
constexpr size_t kSymbolNameOffset = 8;    // the name starts after "#define "
constexpr size_t kSymbolNameSearch = 400;  // the name must end within this many characters
constexpr size_t kTranslationMax = 490;    // longer translations are not used

// The symbolic name defined for `id`: the first occurrence of its decimal
// text anywhere in the file (a plain substring search), a "#" at most 60
// characters back, the name 8 characters after it up to a blank or tab.
std::optional<std::string> FindSymbolName(std::string_view symbols, uint32_t id);
std::optional<std::u16string> FindSymbolName(std::u16string_view symbols, uint32_t id);

// The text of `name` in an ANSI language file: the line of the name followed
// by a blank (else a tab), from after its first double quote to before the
// closing quote at the line's end; empty when absent or 490 characters or
// longer. Each backslash-"n" pair becomes a blank and a line feed.
std::string FindTranslation(std::string_view language, std::string_view name);
// The same in a UTF-16 file, where the text ends at the next double quote.
std::u16string FindTranslation(std::u16string_view language, std::u16string_view name);

}  // namespace velmo
