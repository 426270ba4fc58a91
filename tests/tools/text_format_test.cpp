// The fixed-width number helpers every tool writes its numbers with.
#include "tools/text_format.h"

#include <gtest/gtest.h>

TEST(TextFormat, FieldsKeepTheirWidthWithLeadingZeros) {
  EXPECT_EQ(Dec5(0), "00000");
  EXPECT_EQ(Dec5(65535), "65535");
  EXPECT_EQ(Dec5(123456), "23456");  // never wider than its field
  EXPECT_EQ(Dec3(7), "007");
  EXPECT_EQ(Dec3(255), "255");
  EXPECT_EQ(Hex4(0xABC), "0ABC");
  EXPECT_EQ(Hex4(0x1FFFF), "FFFF");
  EXPECT_EQ(Hex2(0x0F), "0F");
  EXPECT_EQ(Hex2h(0xFE), "FEh");
  EXPECT_EQ(Hex4h(0x8000), "8000h");
}

TEST(TextFormat, OperandNumbersFollowHexMode) {
  std::string text;
  AppendByteNumber(text, 5, false);
  AppendByteNumber(text, 5, true);
  AppendWordNumber(text, 0, false);
  AppendWordNumber(text, 0x8000, true);
  EXPECT_EQ(text, "00505h000008000h");
}

TEST(TextFormat, StartStampHasTwoDigitTimeAndFourDigitYear) {
  ClockTime time{9, 5, 3, 7, 2, 2024};
  EXPECT_EQ(StartStamp(time), "START 09:05:03 07/02/2024");
  ClockTime late{23, 59, 59, 31, 12, 1999};
  EXPECT_EQ(StartStamp(late), "START 23:59:59 31/12/1999");
}

TEST(TextFormat, LocalClockGivesAPlausibleMoment) {
  ClockTime now = LocalClockNow();
  EXPECT_GE(now.year, 2000);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_EQ(StartStamp(now).size(), 25u);
}

TEST(TextFormat, ReadDecimalTakesOnlyDigitsUpToTheLimit) {
  struct Case {
    const char* text;
    std::uint32_t high;
    std::optional<std::uint32_t> expected;
  };
  const Case cases[] = {
      {"0", 255, 0u},
      {"255", 255, 255u},
      {"256", 255, std::nullopt},
      {"00042", 65535, 42u},  // leading zeros are digits like any other
      {"65535", 65535, 65535u},
      {"65536", 65535, std::nullopt},
      {"", 255, std::nullopt},
      {"12a", 255, std::nullopt},
      {"-1", 255, std::nullopt},
      {" 1", 255, std::nullopt},
      {"4294967295", 4294967295u, 4294967295u},
      // Far too many digits for any integer: out of range, never wrapped.
      {"99999999999999999999999999", 4294967295u, std::nullopt},
      {"18446744073709551617", 4294967295u, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadDecimal(c.text, c.high), c.expected) << '"' << c.text << "\" up to " << c.high;
  }
}
