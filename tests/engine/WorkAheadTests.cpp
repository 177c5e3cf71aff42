// Work made ahead on a thread of its own: taken in order, never more than
// the lead ahead, a failure delivered with its item, an early end kept, and
// what is not taken released.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>

#include "tools/WorkAhead.h"

namespace engine_test {
namespace {

using qmr::WorkAhead;

TEST(WorkAhead, HandsOverInOrderNeverTooFarAheadWithFailuresInPlace) {
  constexpr std::size_t kLead = 8;
  std::atomic<std::size_t> made{0};
  WorkAhead<std::size_t> ahead(1000, kLead, [&](std::size_t index, std::size_t, std::size_t& item) {
    ++made;
    if (index == 700) throw std::runtime_error("seven hundred");
    item = index * 3;
    return true;
  });
  for (std::size_t index = 0; index < 700; ++index) {
    ASSERT_EQ(ahead.Take(index), index * 3);
    // With index + 1 items taken, at most the lead more are made.
    ASSERT_LE(made.load(), index + 1 + kLead);
  }
  EXPECT_THROW(ahead.Take(700), std::runtime_error);
}

TEST(WorkAhead, EndsWhereTheProducerSaysAndReleasesWhatIsNotTaken) {
  auto alive = std::make_shared<int>(0);
  {
    WorkAhead<std::shared_ptr<int>> ahead(100, 16, [&](std::size_t index, std::size_t, std::shared_ptr<int>& item) {
      item = alive;
      return index < 10;  // the eleventh item ends the run
    });
    for (std::size_t index = 0; index <= 10; ++index) EXPECT_EQ(ahead.Take(index), alive);
    // Stopped before the end of a run: the items made and not taken go too.
    WorkAhead<std::shared_ptr<int>> stopped(100, 16, [&](std::size_t, std::size_t, std::shared_ptr<int>& item) {
      item = alive;
      return true;
    });
    stopped.Take(0);
  }
  EXPECT_EQ(alive.use_count(), 1);
}

}  // namespace
}  // namespace engine_test
