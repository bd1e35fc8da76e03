// The library's two entries. Every text is read within its limit, and
// nothing is thrown out of an entry.
#include <cstring>

#include "pki_text.h"
#include "rsa_public_key.h"
#include "velmo_ui.h"

using namespace velmo::ui;

namespace {

constexpr int kBadInput = -1;
constexpr int kValid = 1;
constexpr int kInvalid = 0;

std::optional<RsaPublicKey> KeyOf(const char* keyText) {
    const auto modulus = ParseModulus(keyText);
    return modulus ? RsaPublicKey::Import(*modulus) : std::nullopt;
}

int Encrypt(const char* publicKey, const char* plainText, char* output) {
    const auto key = KeyOf(publicKey);
    const auto plain = BoundedText(plainText, kMaxModulusBytes);
    if (!key || !plain) return kBadInput;
    const auto cipher = key->Encrypt(*plain);
    if (!cipher) return kBadInput;
    const std::string text = EncodeBase64(*cipher);
    if (text.size() >= kOutputSize) return kBadInput;
    std::memcpy(output, text.c_str(), text.size() + 1);
    return static_cast<int>(text.size());
}

int Check(const char* value, const char* signature, const char* publicKey) {
    const auto modulus = ParseModulus(publicKey);
    const auto text = BoundedText(value, kMaxValueText);
    const auto signatureText = BoundedText(signature, kMaxSignatureText);
    const auto signatureBytes = signatureText ? DecodeBase64(*signatureText) : std::nullopt;
    if (!modulus || !text || !signatureBytes || signatureBytes->size() != modulus->size()) return kBadInput;
    const auto key = RsaPublicKey::Import(*modulus);
    if (!key) return kBadInput;
    return key->Verifies(*text, *signatureBytes) ? kValid : kInvalid;
}

}  // namespace

extern "C" int __stdcall WlxEncryptPKI(const char* publicKey, const char* plainText, char* output) {
    if (!output) return kBadInput;
    output[0] = '\0';
    try {
        return Encrypt(publicKey, plainText, output);
    } catch (...) {
        output[0] = '\0';
        return kBadInput;
    }
}

extern "C" int __stdcall WlxCheckValueSignature(const char* value, const char* signature, const char* publicKey) {
    try {
        return Check(value, signature, publicKey);
    } catch (...) {
        return kBadInput;
    }
}
