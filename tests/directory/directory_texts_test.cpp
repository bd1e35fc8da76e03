// Identifiers, the replay history in the directory, the session key and the
// reply's secret block.
#include <gtest/gtest.h>

#include <string>

#include "directory/directory_texts.h"
#include "settings/aes256.h"
#include "settings/hex.h"

using namespace velmo;

TEST(DirectoryTexts, GuidTextIsLowerCaseWithoutBraces) {
    // {00112233-4455-6677-8899-AABBCCDDEEFF} as the platform lays it out.
    const std::array<uint8_t, 16> guid = {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                                          0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    EXPECT_EQ(GuidText(guid), "00112233-4455-6677-8899-aabbccddeeff");
}

TEST(DirectoryTexts, OnlyAnIdentifierAsTheModuleWritesItNamesAnObject) {
    const std::u16string ours = u"00112233-4455-6677-8899-aabbccddeeff";
    EXPECT_TRUE(IsGuidText(ours));
    // Upper case, braces, a character short or over, no hyphen, a letter past f, a name.
    for (const std::u16string& other :
         {std::u16string(u"00112233-4455-6677-8899-AABBCCDDEEFF"), u"{" + ours + u"}", ours.substr(1), ours + u"0",
          std::u16string(u"00112233-4455-6677-88990aabbccddeeff"),
          std::u16string(u"00112233-4455-6677-8899-aabbccddeefg"),
          std::u16string(u"x,CN=GlobalSettings,DC=Velmo,DC=com,")})
        EXPECT_FALSE(IsGuidText(other)) << std::string(other.begin(), other.end());
}

TEST(DirectoryTexts, HistoryGoesUpAsItsFirstQuarterAndComesBackBounded) {
    std::vector<uint8_t> local(1600);
    for (size_t i = 0; i < local.size(); ++i) local[i] = static_cast<uint8_t>(i * 7);
    const std::string up = HistoryForDirectory(local.data(), 1600);
    EXPECT_EQ(up.size(), 800u);
    EXPECT_EQ(up.substr(0, 6), "00070E");
    EXPECT_EQ(HistoryForDirectory(local.data(), 7), "00");
    EXPECT_EQ(HistoryForDirectory(local.data(), 3), "");
    const auto down = HistoryFromDirectory(up);
    ASSERT_TRUE(down);
    EXPECT_EQ(*down, std::vector<uint8_t>(local.begin(), local.begin() + 400));
    const struct {
        size_t digits;
        long bytes;  // -1: nothing is written
        bool zeros;
    } rows[] = {{1, -1, false}, {3, -1, false}, {4, 2, false}, {3238, 1619, false}, {3240, 1620, true},
                {7000, 3000, true}};
    for (const auto& row : rows) {
        const auto bytes = HistoryFromDirectory(std::string(row.digits, 'a'));
        EXPECT_EQ(bytes ? static_cast<long>(bytes->size()) : -1, row.bytes) << row.digits;
        if (bytes && !bytes->empty()) {
            EXPECT_EQ((*bytes)[0], row.zeros ? 0x00 : 0xAA) << row.digits;
        }
    }
}

TEST(DirectoryTexts, SessionKeysAreTenUnbiasedLettersAndBlanks) {
    const uint8_t random[] = {0, 25, 26, 233, 234, 255, 51, 1, 2, 3, 4, 5};
    SessionKey key{};
    ASSERT_TRUE(MakeSessionKey(random, sizeof random, key));
    EXPECT_EQ(std::string(key.begin(), key.end()), "azazzbcdef" + std::string(22, ' '));
    EXPECT_FALSE(MakeSessionKey(random, 11, key));  // two bytes were skipped: only nine letters

    const struct {
        int8_t position;
        int first, last;  // cleared bytes, or none when first > last
    } rows[] = {{0, 0, 19}, {-19, 0, 0}, {-20, 1, 0}, {31, 31, 31}, {32, 1, 0}, {94, 1, 0}, {12, 12, 31}};
    for (const auto& row : rows) {
        SessionKey k;
        k.fill('k');
        ClearAtSessionPosition(k, row.position);
        for (int i = 0; i < 32; ++i)
            EXPECT_EQ(k[i], (i >= row.first && i <= row.last) ? 0 : 'k') << int(row.position) << " @" << i;
    }
}

TEST(DirectoryTexts, TheSecretBlockDecryptsToSecretAndSkew) {
    SessionKey key;
    key.fill('q');
    for (uint8_t check : {uint8_t{0}, uint8_t{1}}) {
        uint8_t block[32] = {};
        for (int i = 0; i < 20; ++i) block[i] = static_cast<uint8_t>('1' + (i % 10) - (i % 10 == 9 ? 10 : 0));
        block[21] = check;
        block[31] = 0xFE;
        const Aes256 aes(key.data());
        aes.EncryptBlock(block, block);
        aes.EncryptBlock(block + 16, block + 16);
        const SecretBlock secret = DecryptSecretBlock(HexEncode(block, 32), key);
        EXPECT_EQ(secret.secret, "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ");  // "12345678901234567890"
        EXPECT_EQ(secret.skew, -2);
        EXPECT_EQ(secret.Usable(), check == 0);
    }
}
