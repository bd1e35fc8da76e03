// Bounded text helpers over fixed-size narrow buffers.
//
// The module works on many fixed-size char buffers whose sizes are part of its
// behaviour ("at most 90 characters"). Every copy, append and format goes
// through these helpers so that a cut is always explicit and a buffer is
// always NUL-terminated. Pure code: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#if defined(__MINGW32__)
#define VELMO_PRINTF(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#elif defined(__GNUC__)
#define VELMO_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define VELMO_PRINTF(fmt, args)
#endif

namespace velmo {

// Length of a possibly unterminated text, never looking past `max` bytes.
size_t BoundedLength(const char* text, size_t max);

// View of a C text that may be null (null reads as empty).
inline std::string_view View(const char* text) { return text ? std::string_view(text) : std::string_view(); }

// Copies at most `maxChars` characters of `src` into `dst` (room `dstSize`),
// NUL-terminated; the copy is also cut to dstSize - 1. Returns the length copied.
size_t CopyText(char* dst, size_t dstSize, std::string_view src, size_t maxChars = SIZE_MAX);

template <size_t N>
size_t CopyText(char (&dst)[N], std::string_view src, size_t maxChars = SIZE_MAX) {
    return CopyText(dst, N, src, maxChars);
}

// Appends `src` to the text already in `dst`, cutting at the buffer's end.
size_t AppendText(char* dst, size_t dstSize, std::string_view src);

template <size_t N>
size_t AppendText(char (&dst)[N], std::string_view src) {
    return AppendText(dst, N, src);
}

// printf into a fixed buffer; the text is cut to fit and always terminated.
// Returns the length written.
size_t FormatText(char* dst, size_t dstSize, const char* format, ...) VELMO_PRINTF(3, 4);

// printf into a std::string (no cut).
std::string Format(const char* format, ...) VELMO_PRINTF(1, 2);

// Case-sensitive and ASCII case-insensitive substring tests.
inline bool Contains(std::string_view text, std::string_view what) { return text.find(what) != std::string_view::npos; }
size_t FindNoCase(std::string_view text, std::string_view what, size_t from = 0);
inline bool ContainsNoCase(std::string_view text, std::string_view what) {
    return FindNoCase(text, what) != std::string_view::npos;
}

// Replaces the first occurrence of `what` in `text`; returns whether it did.
bool ReplaceFirst(std::string& text, std::string_view what, std::string_view with);

// Decimal text to a signed 32-bit number the way C's strtol does on Windows:
// leading blanks, an optional sign, digits up to the first non-digit,
// saturating at the 32-bit range. `digits` receives the number of digits used.
int32_t ParseSignedDecimal(std::string_view text, size_t* digits = nullptr);

// Decimal text made only of the digits 0-9 to an unsigned 32-bit value
// (wrapping like an unsigned conversion); an empty text gives 0.
uint32_t ParseUnsignedDecimal(std::string_view text);

// True when every character is a decimal digit (an empty text counts as true).
bool AllDigits(std::string_view text);

}  // namespace velmo
