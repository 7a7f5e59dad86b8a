#include "platform/in_order_tasks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>

namespace sirvane {
namespace {

// The error of the lowest failing index wins, even when a later one fails first
// (index 2 waits until index 3 has failed), and every lower index still runs.
// That each task runs once: the user pages test with two threads.
TEST(InOrderTasksTest, TheLowestFailingIndexIsRethrown) {
  std::atomic<bool> three_failed{false};
  std::atomic<int> ran_below_two{0};
  try {
    RunInIndexOrder(100, 2, [&](unsigned, std::size_t i) {
      if (i < 2) ++ran_below_two;
      const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (i == 2 && !three_failed && std::chrono::steady_clock::now() < give_up) std::this_thread::yield();
      if (i == 3) three_failed = true;
      if (i == 2 || i == 3 || i == 50) throw std::runtime_error("task " + std::to_string(i));
    });
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()), "task 2");
  }
  EXPECT_EQ(ran_below_two.load(), 2);
}

}  // namespace
}  // namespace sirvane
