#include "common/localized_strings.h"

#include <windows.h>

#include <vector>

#include "common/host_settings.h"
#include "common/language_lookup.h"
#include "common/text.h"
#include "common/trace.h"
#include "common/win_handles.h"

namespace velmo {

namespace {

constexpr uint32_t kProductPathSize = 300;
constexpr uint32_t kLanguageNameSize = 30;
constexpr int kHostNarrowFallbackMax = 790;
constexpr int kHostNarrowNoNameMax = 200;
constexpr int kHostWideMax = 200;
constexpr int kWideResultMax = 255;
constexpr int kUnicodeProbeBytes = 50;
constexpr size_t kReadSlack = 10;  // zero bytes past the file's data

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The whole file plus 10 zero bytes; empty when it cannot be read.
std::string ReadWhole(const std::string& path) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    const DWORD size = GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE || size == 0) return {};
    std::string data(static_cast<size_t>(size) + kReadSlack, '\0');
    DWORD got = 0;
    if (!ReadFile(file.get(), data.data(), size, &got, nullptr) || got == 0) return {};
    data.resize(got);
    return data;
}

std::string HostFolder() {
    char exe[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    const std::string path(exe);
    const size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string HostString(uint32_t id, int maxBytes) {
    std::vector<char> text(static_cast<size_t>(maxBytes) + 1, '\0');
    const int n = LoadStringA(GetModuleHandleA(nullptr), id, text.data(), maxBytes);
    return n > 0 ? std::string(text.data()) : std::string();
}

// Fallback A: the host's own string (possibly empty).
std::string HostFallback(uint32_t id) {
    std::string text = HostString(id, kHostNarrowFallbackMax);
    TraceLog("LS3(%d).", static_cast<int>(id));
    return text;
}

std::string ToAnsi(const std::u16string& wide, int maxBytes) {
    std::vector<char> out(static_cast<size_t>(maxBytes) + 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(wide.c_str()), static_cast<int>(wide.size()),
                        out.data(), maxBytes, nullptr, nullptr);
    return std::string(out.data());
}

std::u16string_view AsUtf16(const std::string& raw) {
    return std::u16string_view(reinterpret_cast<const char16_t*>(raw.data()), raw.size() / 2);
}

}  // namespace

LanguageData LanguageData::LoadForProduct() {
    char product[kProductPathSize], language[kLanguageNameSize];
    ReadProductFolderSetting(product, sizeof product);
    ReadLanguageSetting(language, sizeof language);
    if (product[0]) {
        const std::string base(product);
        return Load(base + "languages\\" + language + ".txt", base + "languages\\strings.h");
    }
    const std::string host = HostFolder();
    return Load(host + "_velmo\\lang.txt", host + "_velmo\\strings.h");
}

LanguageData LanguageData::Load(const std::string& languagePath, const std::string& symbolPath) {
    LanguageData data;
    if (FileExists(languagePath)) {
        data.language_ = ReadWhole(languagePath);
        if (data.language_.empty()) {
            TraceLog("LS: error read %s", languagePath.c_str());
        } else {
            const int probeBytes = static_cast<int>(std::min<size_t>(data.language_.size(), kUnicodeProbeBytes));
            data.utf16_ = IsTextUnicode(data.language_.data(), probeBytes, nullptr) != FALSE;
        }
    }
    if (!FileExists(symbolPath)) return data;
    data.symbols_ = ReadWhole(symbolPath);
    if (data.symbols_.empty()) {
        TraceLog("LS: error read2 %s", symbolPath.c_str());
        return data;
    }
    data.available_ = !data.language_.empty();
    return data;
}

std::string LanguageData::Lookup(uint32_t id) const {
    if (!available_) return HostFallback(id);
    const int number = static_cast<int>(id);
    if (!utf16_) {
        const auto name = FindSymbolName(std::string_view(symbols_), id);
        if (!name) {
            std::string text = HostString(id, kHostNarrowNoNameMax);
            TraceLog("LS(%d)", number);
            return text;
        }
        std::string text = FindTranslation(std::string_view(language_), *name);
        if (!text.empty()) return text;
        TraceLog("LS2(%d).", number);
        return HostFallback(id);
    }

    std::u16string wide;
    if (const auto name = FindSymbolName(AsUtf16(symbols_), id)) {
        wide = FindTranslation(AsUtf16(language_), *name);
    } else {
        std::vector<wchar_t> text(kHostWideMax + 1, L'\0');
        if (LoadStringW(GetModuleHandleA(nullptr), id, text.data(), kHostWideMax) > 0)
            wide.assign(reinterpret_cast<const char16_t*>(text.data()));
    }
    if (!wide.empty()) return ToAnsi(wide, kWideResultMax);
    return HostFallback(id);
}

const char* LS(uint32_t id) {
    static const LanguageData data = LanguageData::LoadForProduct();
    static char output[kLsOutputSize];
    CopyText(output, data.Lookup(id));
    return output;
}

}  // namespace velmo
