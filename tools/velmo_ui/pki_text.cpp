#include "pki_text.h"

#include <cstring>

#include "settings/base64.h"

namespace velmo::ui {

namespace {

int SextetOf(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::optional<std::string_view> BoundedText(const char* text, size_t max) {
    if (!text) return std::nullopt;
    const size_t length = strnlen(text, max + 1);
    if (length > max) return std::nullopt;
    return std::string_view(text, length);
}

std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    const size_t padding = text.ends_with("==") ? 2 : text.ends_with('=') ? 1 : 0;
    std::vector<uint8_t> bytes;
    uint32_t bits = 0;
    for (size_t i = 0; i < text.size() - padding; ++i) {
        const int sextet = SextetOf(text[i]);
        if (sextet < 0) return std::nullopt;
        bits = (bits << 6) | static_cast<uint32_t>(sextet);
        if (i % 4 != 0) bytes.push_back(static_cast<uint8_t>(bits >> (6 - 2 * (i % 4))));
    }
    // The bits of a cut group beyond its last byte must be zero.
    if (padding > 0 && (bits & ((1u << (2 * padding)) - 1)) != 0) return std::nullopt;
    return bytes;
}

std::string EncodeBase64(const std::vector<uint8_t>& bytes) {
    std::string text(Base64EncodedSize(bytes.size()), '\0');
    int32_t length = static_cast<int32_t>(bytes.size());
    Base64Encode(bytes.data(), text.data(), text.size(), length);
    text.resize(static_cast<size_t>(length) - 2);  // without the CR LF of an HTTP header
    return text;
}

std::optional<std::vector<uint8_t>> ParseModulus(const char* keyText) {
    const auto text = BoundedText(keyText, kMaxKeyText);
    if (!text) return std::nullopt;
    auto modulus = DecodeBase64(*text);
    if (!modulus || modulus->size() < kMinModulusBytes || modulus->size() > kMaxModulusBytes) return std::nullopt;
    if (modulus->front() == 0 || (modulus->back() & 1) == 0) return std::nullopt;
    return modulus;
}

}  // namespace velmo::ui
