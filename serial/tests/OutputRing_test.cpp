#include "serial/OutputRing.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Sends everything the ring hands out, `chunk` bytes per device write.
std::string Drain(TOutputRing& ring, uint32_t chunk) {
  std::string sent;
  TOutputRing::TRun run;
  for (int guard = 0; guard < 1000 && ring.NextRun(run); ++guard) {
    const uint32_t n = std::min(chunk, run.count);
    sent.append(reinterpret_cast<const char*>(run.data), n);
    ring.Advance(run, n);
  }
  return sent;
}

int Write(TOutputRing& ring, const std::string& s) {
  return ring.Write(reinterpret_cast<const uint8_t*>(s.data()), static_cast<uint32_t>(s.size()));
}

TEST(OutputRingTest, ExactFillAfterPartialSendEmptiesInOrder) {
  TOutputRing ring;
  ring.Allocate(8);
  ASSERT_EQ(Write(ring, "abcde"), 5);
  TOutputRing::TRun run;
  ASSERT_TRUE(ring.NextRun(run));
  ring.Advance(run, 3);  // "abc" left, tail 3
  // Fills the ring exactly: head wraps round onto the tail.
  ASSERT_EQ(Write(ring, "fghijk"), 6);
  EXPECT_TRUE(ring.Full());
  EXPECT_EQ(ring.Head(), ring.Tail());
  EXPECT_EQ(Write(ring, "x"), ErrOutputBufferTooSmall);

  ASSERT_TRUE(ring.NextRun(run));
  EXPECT_EQ(ring.Head(), 0u);  // rotation: the count modulo the size
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(run.data), run.count), "defghijk");
  ring.Advance(run, run.count);
  EXPECT_EQ(ring.Count(), 0u);
  EXPECT_FALSE(ring.NextRun(run));  // empty, not sent again

  ASSERT_EQ(Write(ring, "lmn"), 3);
  EXPECT_EQ(Drain(ring, 8), "lmn");
}

TEST(OutputRingTest, AnyChunkingKeepsTheOrder) {
  for (uint32_t chunk : {1u, 3u, 7u, 64u}) {
    TOutputRing ring;
    ring.Allocate(16);
    std::string expected;
    std::string sent;
    for (int round = 0; round < 40; ++round) {
      const std::string part = std::string(1 + round % 11, static_cast<char>('A' + round % 26));
      if (Write(ring, part) < 0) {
        sent += Drain(ring, chunk);
        ASSERT_EQ(Write(ring, part), static_cast<int>(part.size()));
      }
      expected += part;
      TOutputRing::TRun run;
      if (ring.NextRun(run)) {
        const uint32_t n = std::min(chunk, run.count);
        sent.append(reinterpret_cast<const char*>(run.data), n);
        ring.Advance(run, n);
      }
    }
    sent += Drain(ring, chunk);
    EXPECT_EQ(sent, expected) << "chunk " << chunk;
  }
}

TEST(OutputRingTest, AllOrNothingAndAFlushVoidsARunInFlight) {
  TOutputRing ring;
  ring.Allocate(4);
  EXPECT_EQ(Write(ring, "abcde"), ErrOutputBufferTooSmall);
  EXPECT_EQ(ring.Count(), 0u);
  ASSERT_EQ(Write(ring, "abcd"), 4);
  TOutputRing::TRun run;
  ASSERT_TRUE(ring.NextRun(run));
  ring.Clear();
  ASSERT_EQ(Write(ring, "xy"), 2);
  ring.Advance(run, 4);  // the run from before the flush must not eat "xy"
  EXPECT_EQ(Drain(ring, 4), "xy");
}

}  // namespace
