#include "serial/Triggers.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TDataTrigger MakeTrigger(const std::string& text, bool ignoreCase) {
  TTriggerSet set;
  set.AddData(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()), ignoreCase);
  return set.Data().front();
}

// The offsets of `stream` at which the trigger reports a match.
std::vector<size_t> Matches(const std::string& text, bool ignoreCase, const std::string& stream) {
  TDataTrigger trigger = MakeTrigger(text, ignoreCase);
  std::vector<size_t> at;
  for (size_t i = 0; i < stream.size(); ++i) {
    if (trigger.length != 0 && MatchStep(trigger, static_cast<uint8_t>(stream[i]))) at.push_back(i);
  }
  return at;
}

struct TMatchCase {
  const char* name;
  std::string text;
  bool ignoreCase;
  std::string stream;
  std::vector<size_t> expected;
};

class MatchStepTest : public ::testing::TestWithParam<TMatchCase> {};

TEST_P(MatchStepTest, FiresExactlyAtTheEndOfEachOccurrence) {
  const auto& c = GetParam();
  EXPECT_EQ(Matches(c.text, c.ignoreCase, c.stream), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MatchStepTest,
    ::testing::Values(
        TMatchCase{"OverlappingPrefix", "aab", false, "aaab", {3}},
        TMatchCase{"IgnoreCaseUpper", "ok", true, "OK", {1}},
        TMatchCase{"IgnoreCaseLowerAndMixed", "ok", true, "ok-Ok-oK", {1, 4, 7}},
        TMatchCase{"CaseMattersWithoutIgnore", "ok", false, "OKoK ok", {6}},
        TMatchCase{"LengthZeroNeverFires", "", false, "abc", {}},
        TMatchCase{"OneCharacterTwiceInAChunk", "\x03", false, std::string("1.2\x03\x03", 5), {3, 4}},
        TMatchCase{"MatchDoesNotFeedTheNext", "aa", false, "aaa", {1}},
        TMatchCase{"RestartAfterMismatch", "abc", false, "ababcabc", {4, 7}},
        TMatchCase{"LongestAllowed", "abcdefghijklmnopqrstu", false, "xxabcdefghijklmnopqrstu", {22}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TriggerSetTest, LengthAndHandleRules) {
  TTriggerSet set;
  const std::string longest(MaxDataTriggerLength, 'x');
  const std::string tooLong(MaxDataTriggerLength + 1, 'x');
  EXPECT_EQ(set.AddData(reinterpret_cast<const uint8_t*>(tooLong.data()), 22, false), ErrTriggerTooLong);
  EXPECT_EQ(set.AddData(reinterpret_cast<const uint8_t*>(longest.data()), 21, false), 8);
  EXPECT_EQ(set.AddData(reinterpret_cast<const uint8_t*>("a"), 1, false), 16);
  EXPECT_EQ(set.Remove(8, false), 0);
  EXPECT_EQ(set.Remove(8, false), ErrBadTriggerHandle);
  EXPECT_EQ(set.Remove(0, false), ErrBadTriggerHandle);
  set.SetAvailThreshold(5);
  EXPECT_EQ(set.Remove(AvailTriggerHandle, false), 0);
  EXPECT_EQ(set.AvailThreshold(), 0u);
}

TEST(TriggerSetTest, HandlesAreReusedOnceTheCounterRunsOut) {
  TTriggerSet set;
  const uint8_t a = 'a';
  int last = 0;
  for (int i = 1; i < 4096; ++i) last = set.AddData(&a, 1, false);
  EXPECT_EQ(last, 4095 * 8);
  // Handles 8..4096 are all taken: the reuse range is full.
  EXPECT_EQ(set.AddData(&a, 1, false), ErrNoMoreTriggers);
  ASSERT_EQ(set.Remove(24, false), 0);
  EXPECT_EQ(set.AddData(&a, 1, false), 24);
}

TEST(TriggerSetTest, RestoredHandlesAreNeverHandedOutAgain) {
  TTriggerSet before;
  const uint8_t a = 'a';
  before.AddData(&a, 1, false);
  const int kept = before.AddData(&a, 1, false);
  before.Remove(8, false);
  TTriggerRecord record;
  before.Save(record);

  TTriggerSet after;
  after.Clear();
  after.Restore(record);
  const int fresh = after.AddData(&a, 1, false);
  EXPECT_NE(fresh, kept);
  EXPECT_EQ(after.Remove(static_cast<uint32_t>(kept), false), 0);
  EXPECT_NE(after.FindData(static_cast<uint32_t>(fresh)), nullptr);
}

TEST(TriggerSetTest, RestoredTriggersStartWithoutPartialMatches) {
  TTriggerSet before;
  const std::string ok = "OK";
  before.AddData(reinterpret_cast<const uint8_t*>(ok.data()), 2, false);
  ASSERT_FALSE(MatchStep(before.Data().front(), 'O'));  // half of it arrived
  TTriggerRecord record;
  before.Save(record);

  TTriggerSet after;
  after.Restore(record);
  EXPECT_FALSE(MatchStep(after.Data().front(), 'K'));
  EXPECT_FALSE(MatchStep(after.Data().front(), 'O'));
  EXPECT_TRUE(MatchStep(after.Data().front(), 'K'));
}

TEST(TriggerSetTest, DeferredRemovalHidesTheEntryUntilPurged) {
  TTriggerSet set;
  const uint8_t a = 'a';
  const int handle = set.AddData(&a, 1, false);
  ASSERT_EQ(set.Remove(static_cast<uint32_t>(handle), true), 0);
  EXPECT_EQ(set.Data().size(), 1u);  // the entry a walk may still point at
  EXPECT_EQ(set.FindData(static_cast<uint32_t>(handle)), nullptr);
  EXPECT_EQ(set.Remove(static_cast<uint32_t>(handle), true), ErrBadTriggerHandle);
  TTriggerRecord saved;
  set.Save(saved);
  EXPECT_TRUE(saved.dataTriggers.empty());
  set.PurgeRemoved();
  EXPECT_TRUE(set.Data().empty());
}

}  // namespace
