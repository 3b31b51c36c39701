#include <gtest/gtest.h>

#include "factory/upgrade_file.h"

using namespace kestrel;

TEST(UpgradeFile, OldFirmwareBySignedCharacterSum) {
    EXPECT_TRUE(isOldFirmware("5.00.01l"));   // 258 <= 258
    EXPECT_FALSE(isOldFirmware("5.00.01m"));  // 259
    EXPECT_FALSE(isOldFirmware("5.00.01r"));  // 264
    EXPECT_TRUE(isOldFirmware("5.00.02a"));   // 248
    EXPECT_TRUE(isOldFirmware("5.01.01l"));   // positions 1..4 do not count
    EXPECT_TRUE(isOldFirmware("5XXXX01l"));
    EXPECT_FALSE(isOldFirmware("5.0.01a"));    // 7 characters
    EXPECT_FALSE(isOldFirmware("5.00.01ab"));  // 9 characters
    EXPECT_FALSE(isOldFirmware("4.00.01a"));
    EXPECT_FALSE(isOldFirmware(""));
    // Bytes above 0x7F count as negative: 53 + 48 + 49 - 1.
    EXPECT_TRUE(isOldFirmware("5.00.01\xFF"));
    EXPECT_TRUE(isOldFirmware("5.00.\xFF\xFF\xFF"));
}

TEST(UpgradeFile, BatchPathBesideTheProgramFolder) {
    EXPECT_EQ(upgradeBatchPath("/opt/Setup/Tool/fendrix", "10.0.0.7", '/'),
              "/opt/Setup/2.Kestrel Old Version(v5.00-01l "
              "Previous)/Kestrel_R2_Update/10.0.0.7_KestrelUp.bat");
    EXPECT_EQ(upgradeBatchPath("D:\\Setup\\Tool\\Fendrix.exe", "10.0.0.7", '\\'),
              "D:\\Setup\\2.Kestrel Old Version(v5.00-01l "
              "Previous)\\Kestrel_R2_Update\\10.0.0.7_KestrelUp.bat");
    EXPECT_EQ(upgradeBatchPath("/opt/fendrix", "1.2.3.4", '/'),
              "/2.Kestrel Old Version(v5.00-01l Previous)/Kestrel_R2_Update/1.2.3.4_KestrelUp.bat");
    // No parent folder.
    EXPECT_FALSE(upgradeBatchPath("fendrix", "1.2.3.4", '/'));
    EXPECT_FALSE(upgradeBatchPath("/fendrix", "1.2.3.4", '/'));
    EXPECT_FALSE(upgradeBatchPath("C:\\Fendrix.exe", "1.2.3.4", '\\'));
    // An IP text from the wire that is not an address never becomes a path.
    const std::string twentyDigits(20, '1');
    for (std::string_view hostile :
         {std::string_view("..\\..\\x"), std::string_view("../../x"),
          std::string_view("1.2.3.4 & del"), std::string_view(""), std::string_view(twentyDigits)})
        EXPECT_FALSE(upgradeBatchPath("D:\\Setup\\Tool\\Fendrix.exe", hostile, '\\')) << hostile;
}

TEST(UpgradeFile, BatchContentHasNoLineEnd) {
    EXPECT_EQ(upgradeBatchContent("10.0.0.7"), "KestrelUp.bat -kestrel 10.0.0.7");
    EXPECT_EQ(upgradeBatchContent("10.0.0.7").size(), 31u);
    EXPECT_EQ(upgradeBatchContent("192.168.0.10").size(), 35u);
}
