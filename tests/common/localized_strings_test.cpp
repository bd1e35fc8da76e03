// Loading the product's translation files and falling back to the host's
// string table, with the files written by the test in both encodings.
#include <gtest/gtest.h>

#include <string>

#include "common/localized_strings.h"
#include "support/trace_capture.h"
#include "support/windows_env.h"

using namespace velmo;
using namespace velmo::test;

namespace {

const std::string kSymbols =
    "#define IDS_SENT_OK       2437\r\n"
    "#define IDS_NOT_CONFIRMED 2438\r\n"
    "#define IDS_LONGER        124377\r\n"
    "#define IDS_UNTRANSLATED  2165\r\n";

std::string Utf16(const std::u16string& text, bool bom = true) {
    std::string bytes;
    if (bom) bytes += "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

class Languages : public ::testing::Test {
protected:
    void SetUp() override {
        ResetVelmoRegistry();
        language = ScratchFilePath("lang");
        symbols = ScratchFilePath("strings");
        trace.Clear();
    }
    void TearDown() override {
        DeleteFileA(language.c_str());
        DeleteFileA(symbols.c_str());
        ResetVelmoRegistry();
    }
    std::string language, symbols;
    TraceCapture trace;
};

}  // namespace

TEST_F(Languages, AnsiFilesAnswerAndFallBackStepByStep) {
    WriteWholeFile(symbols, kSymbols);
    WriteWholeFile(language,
                   "IDS_SENT_OK \"Der Code wurde gesendet.\\nPr\xfc" "fen Sie Ihr Telefon.\"\r\n"
                   "IDS_LONGER \"" + std::string(490, 'x') + "\"\r\n");
    const LanguageData data = LanguageData::Load(language, symbols);
    ASSERT_TRUE(data.Available());
    EXPECT_EQ(data.Lookup(2437), "Der Code wurde gesendet. \nPr\xfc" "fen Sie Ihr Telefon.");

    // No translation line: the host's string, after LS2 and LS3.
    EXPECT_EQ(data.Lookup(2165), "Host: ask your administrator.");
    EXPECT_TRUE(trace.Contains("LS2(2165)."));
    EXPECT_TRUE(trace.Contains("LS3(2165)."));
    // A translation of 490 characters is not used.
    EXPECT_EQ(data.Lookup(4377), "Host: four three seven seven");
    // No name for the number: the host's string directly.
    EXPECT_EQ(data.Lookup(2440), "");
    EXPECT_TRUE(trace.Contains("LS(2440)"));
}

TEST_F(Languages, Utf16FilesAreConvertedToTheAnsiCodePage) {
    WriteWholeFile(symbols, Utf16(U16(kSymbols)));
    WriteWholeFile(language, Utf16(u"IDS_SENT_OK\t\"Cod\u00e9 envoy\u00e9\\n\u4e2d\"\r\n"
                                   u"IDS_NOT_CONFIRMED \"" + std::u16string(490, u'y') + u"\"\r\n"));
    const LanguageData data = LanguageData::Load(language, symbols);
    ASSERT_TRUE(data.Available());
    EXPECT_EQ(data.Lookup(2437), "Cod\xe9 envoy\xe9 \n?");
    EXPECT_EQ(data.Lookup(2438), "Host: the gateway did not confirm: ");
    EXPECT_EQ(data.Lookup(9999), "");  // no name and no host string
}

TEST_F(Languages, MissingOrEmptyFilesLeaveOnlyTheHostStrings) {
    const LanguageData none = LanguageData::Load(language, symbols);
    EXPECT_FALSE(none.Available());
    EXPECT_EQ(none.Lookup(2437), "Host: the code was sent.");
    EXPECT_TRUE(trace.Contains("LS3(2437)."));

    WriteWholeFile(language, "");
    WriteWholeFile(symbols, kSymbols);
    const LanguageData emptyLanguage = LanguageData::Load(language, symbols);
    EXPECT_FALSE(emptyLanguage.Available());
    EXPECT_TRUE(trace.Contains("LS: error read " + language));
    EXPECT_EQ(emptyLanguage.Lookup(2437), "Host: the code was sent.");

    WriteWholeFile(language, "IDS_SENT_OK \"sent\"\r\n");
    WriteWholeFile(symbols, "");
    const LanguageData emptySymbols = LanguageData::Load(language, symbols);
    EXPECT_FALSE(emptySymbols.Available());
    EXPECT_TRUE(trace.Contains("LS: error read2 " + symbols));

    // Garbage without quotes or line ends never yields more than the host's text.
    WriteWholeFile(symbols, kSymbols);
    WriteWholeFile(language, std::string("IDS_SENT_OK \x01\x02\x03 no quote at all"));
    EXPECT_EQ(LanguageData::Load(language, symbols).Lookup(2437), "Host: the code was sent.");
}

TEST_F(Languages, TheProductFolderNamesTheFiles) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string product = std::string(temp) + "velmo_product\\";
    CreateDirectoryA(product.c_str(), nullptr);
    CreateDirectoryA((product + "languages").c_str(), nullptr);
    WriteWholeFile(product + "languages\\strings.h", kSymbols);
    WriteWholeFile(product + "languages\\German.txt", "IDS_SENT_OK \"Gesendet.\"\r\n");
    PutText(kVelmo, "VelmoPath", product);
    PutText(kVelmo, "Language", "German");
    EXPECT_EQ(LanguageData::LoadForProduct().Lookup(2437), "Gesendet.");
    DeleteFileA((product + "languages\\strings.h").c_str());
    DeleteFileA((product + "languages\\German.txt").c_str());
}
