// Typed registry access for every setting and record of the module.
//
// Each operation opens its key (the 32-bit view first, then the default
// view), does one query or one store and closes the key. Reads never fail
// loudly: a miss gives an empty text, the caller's default or a zero count.
// Text values whose names contain "xxx" are protected: stored as AES-256
// ciphertext in hexadecimal and decrypted on read.
#pragma once

#include <cstdint>
#include <string>

namespace velmo {

enum class RegRoot { LocalMachine, CurrentUser };

// Key paths in use.
inline constexpr char kVelmoKey[] = "SOFTWARE\\Velmo";
inline constexpr char kOtpModuleKey[] = "Software\\Velmo\\OtpModule";

// Limits of the read operations.
constexpr uint32_t kReadStringQuerySize = 4000;  // query buffer of ReadRegString
constexpr uint32_t kReadStringMaxStored = 2024;  // larger stored texts are refused
constexpr uint32_t kReadTextMaxNeeded = 4000;    // ReadRegText gives up at this size
constexpr uint32_t kReadDwordQuerySize = 20;     // a number stored as text has < 20 bytes
constexpr uint32_t kHexValueWorkSize = 1008;     // decoded bytes of a binary stored as text

// Whole text of a value; a number comes back as "%lu" text; protected values
// come back decrypted. Empty (and a trace line) on any miss.
std::string ReadRegString(RegRoot root, const char* path, const char* name);

// Text of a value into `buffer` (size N): at most N - 4 characters are kept,
// a number comes back as "%d" text. Empty on any miss; null for a null buffer.
char* ReadRegText(RegRoot root, const char* path, const char* name, char* buffer, uint32_t size);
// The same read, with a buffer of `size` bytes, as a string.
std::string ReadRegText(RegRoot root, const char* path, const char* name, uint32_t size);

// A number stored as DWORD, as the first 4 bytes of a binary, or as decimal
// text; `defaultValue` when missing or unusable.
uint32_t ReadRegDword(RegRoot root, const char* path, const char* name, uint32_t defaultValue);

// Bytes of a value into `buffer` (room `*size`); a text value holding
// hexadecimal digits is decoded. With a null buffer only the size is asked.
// Returns the byte count, also left in `*size`; 0 on failure.
uint32_t ReadRegBinary(RegRoot root, const char* path, const char* name, uint8_t* buffer, uint32_t* size);

// Whether a text write encrypts values whose names mark them protected.
// Per-user records are always stored in plain text: their readers never
// decrypt, so a user name that happens to contain "xxx" must not turn the
// record's secret into ciphertext.
enum class TextProtection { ByName, None };

// Stores a text (REG_SZ); a null text deletes the value. Keys whose path
// contains "Volatile" are created volatile. True when the store succeeded.
bool WriteRegString(RegRoot root, const char* path, const char* name, const char* text,
                    TextProtection protection = TextProtection::ByName);

// Stores bytes (REG_BINARY); null bytes delete the value.
void WriteRegBinary(RegRoot root, const char* path, const char* name, const uint8_t* bytes, uint32_t count);

// Stores a 4-byte REG_DWORD. True when the store succeeded.
bool WriteRegDword(RegRoot root, const char* path, const char* name, uint32_t value);

// Raw bytes of a value into `buffer` (room `*size`) whatever its type, for
// the host's data blocks: the key is opened with query access in the 32-bit
// view, else with full access in the default view. Returns the registry's
// status (ERROR_FILE_NOT_FOUND for a missing value) and leaves the byte count
// (or the size needed) in `*size`; kRegKeyUnavailable when no key opened.
constexpr long kRegKeyUnavailable = -1;
long ReadRegRaw(RegRoot root, const char* path, const char* name, uint8_t* buffer, uint32_t* size);

// Creates the key (32-bit view) if it is missing, for SYSTEM and
// Administrators only; an existing key that Users may read is tightened so
// (and traced). True when it exists now.
bool EnsureAdminOnlyKey(RegRoot root, const char* path);

// One value met while enumerating a key.
struct RegValueInfo {
    const char* name;
    uint32_t type;
    uint32_t dataSize;
};

// Enumerates the values of a key opened with full access in the 32-bit view,
// from index 0 until the registry reports no more items, with name and data
// buffers of 400 bytes each (a value whose data is larger is still reported,
// with its real size). `visit` returns false to stop. False when the key
// cannot be opened.
constexpr uint32_t kEnumNameSize = 400;
constexpr uint32_t kEnumDataSize = 400;
template <typename Visit>
bool EnumerateRegValues(RegRoot root, const char* path, Visit&& visit);

// Non-template core of EnumerateRegValues.
bool EnumerateRegValuesWith(RegRoot root, const char* path, bool (*visit)(const RegValueInfo&, void*), void* context);

template <typename Visit>
bool EnumerateRegValues(RegRoot root, const char* path, Visit&& visit) {
    return EnumerateRegValuesWith(
        root, path, [](const RegValueInfo& info, void* context) { return (*static_cast<Visit*>(context))(info); },
        &visit);
}

}  // namespace velmo
