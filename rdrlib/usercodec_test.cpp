// Id texts and the packed bank form of user records.
#include "rdrlib/usercodec.h"

#include <cstring>

#include <gtest/gtest.h>

#include "rdrlib/rdrdll32.h"

namespace zv {
namespace {

TEST(IdConversion, OneToTenDigitsOnly) {
  uint8_t id[5];
  ASSERT_EQ(0, rdrTextToID("42", id));
  EXPECT_EQ(0, std::memcmp(id, "\x00\x00\x00\x00\x42", 5));
  ASSERT_EQ(0, rdrTextToID("9999999999", id));
  EXPECT_EQ(0, std::memcmp(id, "\x99\x99\x99\x99\x99", 5));
  char text[RDR_IDTEXT_SIZE];
  ASSERT_EQ(0, rdrIDToText(id, text));
  EXPECT_STREQ("9999999999", text);
  ASSERT_EQ(0, rdrTextToID("0", id));
  ASSERT_EQ(0, rdrIDToText(id, text));
  EXPECT_STREQ("0000000000", text);
  for (const char* bad : {"", "12345678901", "-1", " 1", "1 ", "1a", "+5"}) {
    std::memset(id, 0x77, 5);
    EXPECT_NE(0, rdrTextToID(bad, id)) << bad;
    EXPECT_EQ(0, std::memcmp(id, "\0\0\0\0\0", 5)) << bad;
  }
  EXPECT_NE(0, rdrTextToID(nullptr, id));
  const uint8_t notBcd[5] = {0, 0, 0, 0, 0x4A};
  std::strcpy(text, "junk");
  EXPECT_NE(0, rdrIDToText(notBcd, text));
  EXPECT_STREQ("", text);
}

TEST(UserRecordPacking, KeepsIdTimeZoneAuthorityRejectAndTemplate) {
  uint8_t rec[24];
  for (int i = 0; i < 24; ++i) rec[i] = static_cast<uint8_t>(0x10 + i);
  ASSERT_EQ(0, rdrTextToID("1234567890", rec));
  rec[16] = 5; rec[17] = rec[18] = rec[19] = 0;  // authority 5
  rec[20] = 0xF4; rec[21] = 0x01;                // reject override 500
  rec[22] = 61;                                  // time zone
  uint8_t data[16], back[24];
  ASSERT_EQ(0, rdrUserRecordToData(rec, data));
  EXPECT_NE(0xFF, data[0]);
  ASSERT_EQ(0, rdrDataToUserRecord(data, back));
  EXPECT_EQ(0, std::memcmp(rec, back, 13));  // id and template bytes 5..12
  EXPECT_EQ(5, back[16]);
  EXPECT_EQ(0xF4, back[20]);
  EXPECT_EQ(0x01, back[21]);
  EXPECT_EQ(61, back[22]);
  EXPECT_EQ(0, back[13]);
  EXPECT_EQ(0, back[23]);
}

TEST(UserRecordPacking, OutOfRangeValuesAreBoundedNotWrapped) {
  uint8_t rec[24] = {};
  ASSERT_EQ(0, rdrTextToID("7", rec));
  std::memset(rec + 16, 0xFF, 4);  // authority -1
  rec[20] = 0xFF; rec[21] = 0xFF;  // reject override 65535
  uint8_t data[16], back[24];
  ASSERT_EQ(0, rdrUserRecordToData(rec, data));
  ASSERT_EQ(0, rdrDataToUserRecord(data, back));
  EXPECT_EQ(0, back[16]);  // never the highest level
  EXPECT_EQ(8191, back[20] | (back[21] << 8));
  rec[16] = 9; rec[17] = rec[18] = rec[19] = 0;
  ASSERT_EQ(0, rdrUserRecordToData(rec, data));
  ASSERT_EQ(0, rdrDataToUserRecord(data, back));
  EXPECT_EQ(7, back[16]);
  rec[0] = 0xFA;  // not an id
  EXPECT_NE(0, rdrUserRecordToData(rec, data));
  uint8_t end[16];
  std::memset(end, 0xFF, sizeof end);
  EXPECT_NE(0, rdrDataToUserRecord(end, back));
}

TEST(ExtUserRecordPacking, KeepsTheWholeUserRecordAndTheComment) {
  uint8_t ext[92];
  for (int i = 0; i < 92; ++i) ext[i] = static_cast<uint8_t>(i + 1);
  ASSERT_EQ(0, rdrTextToID("55", ext));
  std::memcpy(ext + 42, "Sixteen chars!!!", 16);
  ext[58] = 0;
  uint8_t data[77], back[92];
  ASSERT_EQ(0, rdrExtUserRecordToData(ext, data));
  ASSERT_EQ(0, rdrDataToExtUserRecord(data, back));
  EXPECT_EQ(0, std::memcmp(ext, back, 78));
  for (int i = 78; i < 92; ++i) EXPECT_EQ(0, back[i]) << i;
  // A comment of 16 characters without terminator still comes back terminated.
  ext[58] = 'X';
  ASSERT_EQ(0, rdrExtUserRecordToData(ext, data));
  ASSERT_EQ(0, rdrDataToExtUserRecord(data, back));
  EXPECT_EQ(0, back[58]);
}

}  // namespace
}  // namespace zv
