// velmo_ui.dll: the public-key operations of the workstation's half of the
// self-enrolment exchange, over the domain OTP service's RSA public key
// (text forms in pki_text.h). Narrow texts are in the system code page.
#pragma once

extern "C" {

// Encrypts `plainText` (RSA-OAEP with SHA-1) for the service holding the
// private key of `publicKey`, writing the Base64 ciphertext, NUL-terminated,
// into `output` (200 bytes). Returns the length written, at least 172 (a
// 1,024-bit key); 0 or less on failure, `output` then left empty.
int __stdcall WlxEncryptPKI(const char* publicKey, const char* plainText, char* output);

// 1 when `signature` is the service's signature (RSA PKCS #1 v1.5 over
// SHA-256) over `value`, 0 when it is not, -1 for a missing or unusable
// value, signature or key.
int __stdcall WlxCheckValueSignature(const char* value, const char* signature, const char* publicKey);

}
