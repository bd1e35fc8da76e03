// The product's translation files, read from disk in both encodings, and the
// fall-back to the host's string table.
#include <gtest/gtest.h>

#include <string>

#include "common/localized_strings.h"
#include "support/windows_env.h"

using namespace velmo;
using namespace velmo::test;

namespace {

const std::string kSymbols =
    "#define IDS_SENT_OK       2437\r\n"
    "#define IDS_NOT_CONFIRMED 2438\r\n"
    "#define IDS_UNTRANSLATED  2165\r\n";

std::string Utf16(const std::string& narrow, const std::u16string& wide = u"") {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : std::u16string(narrow.begin(), narrow.end()) + wide) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

}  // namespace

TEST(LocalizedStrings, FilesInBothEncodingsAndTheHostsFallBack) {
    const std::string language = ScratchFilePath("lang"), symbols = ScratchFilePath("strings");
    const std::string ansiLanguage = "IDS_SENT_OK \"Der Code wurde gesendet.\\nPr\xfc" "fen Sie Ihr Telefon.\"\r\n";
    const struct {
        std::pair<std::string, std::string> files;  // symbols, language
        uint32_t id;
        std::string text;
    } rows[] = {
        {{kSymbols, ansiLanguage}, 2437, "Der Code wurde gesendet. \nPr\xfc" "fen Sie Ihr Telefon."},
        {{kSymbols, ansiLanguage}, 2165, "Host: ask your administrator."},  // no translation line
        {{kSymbols, ansiLanguage}, 2440, ""},                               // no name, no host string
        {{Utf16(kSymbols), Utf16("IDS_SENT_OK\t\"", u"Cod\u00e9 envoy\u00e9\\n\u4e2d\"\r\n")}, 2437,
         "Cod\xe9 envoy\xe9 \n?"},
        {{"", ""}, 2437, "Host: the code was sent."},  // missing or empty files
        {{kSymbols, ""}, 2437, "Host: the code was sent."},
        {{"", "IDS_SENT_OK \"sent\"\r\n"}, 2437, "Host: the code was sent."},
    };
    for (const auto& row : rows) {
        DeleteFileA(language.c_str());
        DeleteFileA(symbols.c_str());
        if (!row.files.second.empty()) WriteWholeFile(language, row.files.second);
        if (!row.files.first.empty()) WriteWholeFile(symbols, row.files.first);
        EXPECT_EQ(LanguageData::Load(language, symbols).Lookup(row.id), row.text) << row.id << " " << row.text;
    }
    DeleteFileA(language.c_str());
    DeleteFileA(symbols.c_str());
}

TEST(LocalizedStrings, TheProductFolderAndTheLanguageSettingNameTheFiles) {
    ResetVelmoRegistry();
    const std::string product = ScratchFilePath("product") + "\\";
    CreateDirectoryA(product.c_str(), nullptr);
    CreateDirectoryA((product + "languages").c_str(), nullptr);
    WriteWholeFile(product + "languages\\strings.h", kSymbols);
    WriteWholeFile(product + "languages\\German.txt", "IDS_SENT_OK \"Gesendet.\"\r\n");
    PutText(kVelmo, "VelmoPath", product);
    PutText(kVelmo, "Language", "German");
    EXPECT_EQ(LanguageData::LoadForProduct().Lookup(2437), "Gesendet.");
    ResetVelmoRegistry();
}
