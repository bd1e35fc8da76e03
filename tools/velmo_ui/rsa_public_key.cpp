#include "rsa_public_key.h"

#include <algorithm>
#include <cstring>

#include "pki_text.h"

namespace velmo::ui {

namespace {

struct CryptHashTraits {
    using Handle = HCRYPTHASH;
    static Handle Invalid() { return 0; }
    static void Close(Handle h) { CryptDestroyHash(h); }
};

constexpr DWORD kRsaPublicMagic = 0x31415352;  // "RSA1"

// A PUBLICKEYBLOB: header, RSAPUBKEY, then the modulus little-endian. The
// exchange key algorithm serves both encryption and signature checks.
std::vector<uint8_t> PublicKeyBlob(const std::vector<uint8_t>& modulus) {
    const BLOBHEADER header{PUBLICKEYBLOB, CUR_BLOB_VERSION, 0, CALG_RSA_KEYX};
    const RSAPUBKEY rsa{kRsaPublicMagic, static_cast<DWORD>(modulus.size() * 8), kPublicExponent};
    std::vector<uint8_t> blob(sizeof header + sizeof rsa);
    std::memcpy(blob.data(), &header, sizeof header);
    std::memcpy(blob.data() + sizeof header, &rsa, sizeof rsa);
    blob.insert(blob.end(), modulus.rbegin(), modulus.rend());
    return blob;
}

}  // namespace

std::optional<RsaPublicKey> RsaPublicKey::Import(const std::vector<uint8_t>& modulus) {
    RsaPublicKey key;
    if (!CryptAcquireContextA(key.provider_.put(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
        return std::nullopt;
    const std::vector<uint8_t> blob = PublicKeyBlob(modulus);
    if (!CryptImportKey(key.provider_.get(), blob.data(), static_cast<DWORD>(blob.size()), 0, 0, key.key_.put()))
        return std::nullopt;
    key.modulusBytes_ = modulus.size();
    return key;
}

std::optional<std::vector<uint8_t>> RsaPublicKey::Encrypt(std::string_view plain) const {
    if (plain.empty() || plain.size() > modulusBytes_ - kOaepOverhead) return std::nullopt;
    std::vector<uint8_t> data(modulusBytes_);
    std::memcpy(data.data(), plain.data(), plain.size());
    DWORD length = static_cast<DWORD>(plain.size());
    if (!CryptEncrypt(key_.get(), 0, TRUE, CRYPT_OAEP, data.data(), &length, static_cast<DWORD>(data.size())) ||
        length != modulusBytes_)
        return std::nullopt;
    std::reverse(data.begin(), data.end());
    return data;
}

bool RsaPublicKey::Verifies(std::string_view value, const std::vector<uint8_t>& signature) const {
    UniqueOwner<CryptHashTraits> hash;
    if (!CryptCreateHash(provider_.get(), CALG_SHA_256, 0, 0, hash.put())) return false;
    if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(value.data()), static_cast<DWORD>(value.size()), 0))
        return false;
    const std::vector<uint8_t> littleEndian(signature.rbegin(), signature.rend());
    return CryptVerifySignatureA(hash.get(), littleEndian.data(), static_cast<DWORD>(littleEndian.size()),
                                 key_.get(), nullptr, 0) != FALSE;
}

}  // namespace velmo::ui
