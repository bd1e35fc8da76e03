// Symbol and translation lookups in narrow and UTF-16 translation files.
#include <gtest/gtest.h>

#include <string>

#include "common/language_lookup.h"

using namespace velmo;

namespace {

std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

const std::string kSymbols =
    "// messages\r\n"
    "#define IDS_SENT_OK       2437\r\n"
    "#define IDS_NOT_CONFIRMED\t2438\r\n"
    "#define IDS_LONGER        124377\r\n"
    "#define IDS_HELP 2165\r\n";

}  // namespace

TEST(LanguageLookup, SymbolNamesComeFromTheFirstOccurrenceOfTheNumber) {
    EXPECT_EQ(FindSymbolName(kSymbols, 2437), std::optional<std::string>("IDS_SENT_OK"));
    EXPECT_EQ(FindSymbolName(kSymbols, 2438), std::optional<std::string>("IDS_NOT_CONFIRMED"));
    EXPECT_EQ(FindSymbolName(kSymbols, 2165), std::optional<std::string>("IDS_HELP"));
    // 4377 first occurs inside 124377: the name defined on that line.
    EXPECT_EQ(FindSymbolName(kSymbols, 4377), std::optional<std::string>("IDS_LONGER"));
    EXPECT_FALSE(FindSymbolName(kSymbols, 999).has_value());
    // "#" more than 60 characters back is not found.
    EXPECT_FALSE(FindSymbolName("#define NAME" + std::string(60, ' ') + "77\r\n", 77).has_value());
    EXPECT_TRUE(FindSymbolName("#define NAME" + std::string(47, ' ') + "77\r\n", 77).has_value());
    EXPECT_FALSE(FindSymbolName("#define NAME" + std::string(48, ' ') + "77\r\n", 77).has_value());  // 60 back
    // The name must end within 400 characters.
    EXPECT_FALSE(FindSymbolName("#define " + std::string(400, 'N') + " 5", 5).has_value());
    EXPECT_FALSE(FindSymbolName("#de 5", 5).has_value());
    EXPECT_EQ(FindSymbolName(U16(kSymbols), 2438), std::optional<std::u16string>(u"IDS_NOT_CONFIRMED"));
}

TEST(LanguageLookup, NarrowTranslations) {
    const std::string language =
        "IDS_SENT_OK\t\"tab form\"\r\n"
        "IDS_SENT_OK \"Code sent.\\nCheck your phone\"\r\n"
        "IDS_HELP  \"unclosed\r\n"
        "IDS_EMPTY \"\"\r\n"
        "IDS_NOQUOTE plain\r\n"
        "IDS_TRAIL \"two quotes\"\"\r\n";
    // A blank after the name is found before a tab; backslash-n becomes " \n".
    EXPECT_EQ(FindTranslation(language, "IDS_SENT_OK"), "Code sent. \nCheck your phone");
    EXPECT_EQ(FindTranslation("X\t\"tab form\"\r\n", "X"), "tab form");
    EXPECT_EQ(FindTranslation(language, "IDS_HELP"), "unclose");  // the last character is taken for the quote
    EXPECT_EQ(FindTranslation(language, "IDS_EMPTY"), "");
    EXPECT_EQ(FindTranslation(language, "IDS_MISSING"), "");
    EXPECT_EQ(FindTranslation(language, "IDS_TRAIL"), "two quotes");
    EXPECT_EQ(FindTranslation("LAST \"no line end\"", "LAST"), "no line end");

    const std::string text489(489, 't'), text490(490, 't');
    EXPECT_EQ(FindTranslation("N \"" + text489 + "\"\r\n", "N"), text489);
    EXPECT_EQ(FindTranslation("N \"" + text490 + "\"\r\n", "N"), "");
}

TEST(LanguageLookup, Utf16Translations) {
    const std::u16string language = u"\uFEFFIDS_SENT_OK\t\"Cod\u00e9 \u4e2d\\nsent\" trailing\r\n";
    EXPECT_EQ(FindTranslation(language, u"IDS_SENT_OK"), u"Cod\u00e9 \u4e2d \nsent");
    EXPECT_EQ(FindTranslation(U16("N \"" + std::string(489, 'w') + "\"\r\n"), u"N").size(), 489u);
    EXPECT_EQ(FindTranslation(U16("N \"" + std::string(490, 'w') + "\"\r\n"), u"N"), u"");
    EXPECT_EQ(FindTranslation(U16("N \"never closed\r\n"), u"N"), u"");
}
