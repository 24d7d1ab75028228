// Which address texts the network channel accepts.
#include "rdrlib/tcpconnect.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

TEST(ParseIpv4, DecimalPartsWithLeadingZerosAndBlanksAround) {
  uint32_t ip = 0;
  ASSERT_TRUE(ParseIpv4("127.0.0.2", ip));
  EXPECT_EQ(0x7F000002u, ip);
  ASSERT_TRUE(ParseIpv4(" 192.168.001.010 ", ip));
  EXPECT_EQ(0xC0A8010Au, ip);
  ASSERT_TRUE(ParseIpv4("0.0.0.0", ip));
  for (const char* bad : {"", " ", "1.2.3", "1.2.3.256", "1.2.3.4.5", "1.2.3.4.", "a.b.c.d",
                          "1..2.3", "-1.2.3.4", "1.2.3.0004", "localhost", "1.2.3 .4"})
    EXPECT_FALSE(ParseIpv4(bad, ip)) << bad;
  EXPECT_FALSE(ParseIpv4(nullptr, ip));
  EXPECT_FALSE(ParseIpv4("11111111111111111111111111111111111111111111111111111111", ip));
}

}  // namespace
}  // namespace zv
