// The frame decoder: whole frames through, and cut, long, corrupted or noisy input passed over.
#include "rdrlib/frame.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

TFrame Make(uint8_t addr, uint8_t cmd, uint8_t seq, std::size_t len) {
  TFrame f;
  f.address = addr;
  f.command = cmd;
  f.sequence = seq;
  for (std::size_t i = 0; i < len; ++i) f.payload.push_back(static_cast<uint8_t>(i * 7 + 0xAA));
  return f;
}

std::vector<TFrame> DecodeAll(const std::vector<uint8_t>& bytes, std::size_t chunk = 0) {
  TFrameDecoder d;
  std::vector<TFrame> out;
  TFrame f;
  if (!chunk) chunk = bytes.size() ? bytes.size() : 1;
  for (std::size_t at = 0; at < bytes.size(); at += chunk) {
    d.Feed(bytes.data() + at, std::min(chunk, bytes.size() - at));
    while (d.Next(f)) out.push_back(f);
  }
  return out;
}

bool Same(const TFrame& a, const TFrame& b) {
  return a.address == b.address && a.command == b.command && a.sequence == b.sequence &&
         a.payload == b.payload;
}

TEST(FrameDecoder, FramesOfEverySizeComeThroughWholeAndByteByByte) {
  for (std::size_t len : {0u, 1u, 28u, 4096u, 4100u}) {
    TFrame f = Make(5, 0x83, 200, len);
    std::vector<uint8_t> bytes = EncodeFrame(f);
    ASSERT_EQ(len + kFrameOverhead, bytes.size());
    for (std::size_t chunk : {0u, 1u, 3u}) {
      auto got = DecodeAll(bytes, chunk);
      ASSERT_EQ(1u, got.size()) << len << "/" << chunk;
      EXPECT_TRUE(Same(f, got[0]));
    }
  }
}

TEST(FrameDecoder, SkipsGarbageCorruptedAndCutFramesAndFindsTheNextGoodOne) {
  TFrame a = Make(1, 3, 1, 28), b = Make(2, 4, 2, 5);
  std::vector<uint8_t> good = EncodeFrame(a), other = EncodeFrame(b);
  std::vector<uint8_t> stream = {0x00, 0xAA, 0xAA, 0x13, 0xFF};  // noise, lone syncs
  std::vector<uint8_t> damaged = good;
  damaged[12] ^= 0x01;                                            // payload bit flip
  stream.insert(stream.end(), damaged.begin(), damaged.end());
  stream.insert(stream.end(), good.begin(), good.begin() + 15);   // cut short
  stream.insert(stream.end(), other.begin(), other.end());
  stream.insert(stream.end(), good.begin(), good.end());
  for (std::size_t chunk : {0u, 1u, 7u}) {
    auto got = DecodeAll(stream, chunk);
    ASSERT_EQ(2u, got.size()) << chunk;
    EXPECT_TRUE(Same(b, got[0]));
    EXPECT_TRUE(Same(a, got[1]));
  }
}

TEST(FrameDecoder, RefusesLengthsAboveTheLimitAndBadHeaders) {
  std::vector<uint8_t> big = EncodeFrame(Make(1, 1, 1, 4100));
  big[4] = 0x05;  // length 4101
  big[5] = 0x10;
  EXPECT_TRUE(DecodeAll(big).empty());
  std::vector<uint8_t> hdr = EncodeFrame(Make(1, 1, 1, 3));
  hdr[6] ^= 0xFF;  // header check wrong
  EXPECT_TRUE(DecodeAll(hdr).empty());
  // The header check keeps an altered length from swallowing the frames behind it.
  std::vector<uint8_t> s = EncodeFrame(Make(1, 1, 1, 3));
  s[4] = 0xFF;
  s[5] = 0x0F;
  auto tail = EncodeFrame(Make(9, 9, 9, 2));
  s.insert(s.end(), tail.begin(), tail.end());
  auto got = DecodeAll(s);
  ASSERT_EQ(1u, got.size());
  EXPECT_EQ(9, got[0].address);
}

TEST(FrameDecoder, AStalledHeaderCanBeDroppedSoTheFramesBehindItAreFound) {
  // A fake header with a valid check and a long length, then a real frame.
  std::vector<uint8_t> fake = EncodeFrame(Make(3, 3, 3, 4000));
  fake.resize(kFrameHeaderSize);
  auto real = EncodeFrame(Make(4, 4, 4, 1));
  fake.insert(fake.end(), real.begin(), real.end());
  TFrameDecoder d;
  d.Feed(fake.data(), fake.size());
  TFrame f;
  EXPECT_FALSE(d.Next(f));
  EXPECT_TRUE(d.HasPending());
  d.DropStalled();
  ASSERT_TRUE(d.Next(f));
  EXPECT_EQ(4, f.address);
}

TEST(FrameDecoder, MemoryStaysBoundedOnEndlessNoise) {
  TFrameDecoder d;
  std::vector<uint8_t> noise(10000);
  unsigned x = 1;
  TFrame f;
  for (int round = 0; round < 50; ++round) {
    for (auto& b : noise) {
      x = x * 1103515245u + 12345u;
      b = static_cast<uint8_t>(x >> 16);
    }
    d.Feed(noise.data(), noise.size());
    while (d.Next(f)) {
    }
  }
  auto real = EncodeFrame(Make(4, 4, 4, 1));
  d.Reset();
  d.Feed(real.data(), real.size());
  EXPECT_TRUE(d.Next(f));
}

}  // namespace
}  // namespace zv
