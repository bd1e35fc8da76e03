// Messages shown to the user, in the language the product is set to: the
// product's symbol and language files, else the host executable's own string
// table.
#pragma once

#include <cstdint>
#include <string>

namespace velmo {

constexpr uint32_t kLsOutputSize = 800;

// The translation files as loaded once per process, and the lookups on them.
class LanguageData {
public:
    // Loads the files that "VelmoPath" and "Language" name (or the host
    // folder's "_velmo" files when "VelmoPath" is empty).
    static LanguageData LoadForProduct();
    // Loads the given files; either may be missing.
    static LanguageData Load(const std::string& languagePath, const std::string& symbolPath);

    // The message with this identifier (possibly empty), with the fallbacks
    // and trace lines of LS.
    std::string Lookup(uint32_t id) const;
    bool Available() const { return available_; }

private:
    bool available_ = false;
    bool utf16_ = false;
    std::string language_, symbols_;  // whole files (UTF-16 ones as raw bytes)
};

// The message in one process-wide buffer that the next call overwrites; the
// files are read on the first call only.
const char* LS(uint32_t id);

}  // namespace velmo
