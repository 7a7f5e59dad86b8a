#include "platform/in_order_tasks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <stdexcept>
#include <string>

namespace sirvane {
namespace {

TEST(InOrderTasksTest, EveryTaskRunsOnceOnAWorkerOfItsOwnThread) {
  for (const unsigned threads : {1u, 2u, 3u}) {
    for (const std::size_t count : {0u, 1u, 257u}) {
      std::vector<std::atomic<int>> runs(count);
      std::mutex lock;
      std::map<unsigned, std::thread::id> thread_of_worker;
      int wrong_worker = 0;
      RunInIndexOrder(count, threads, [&](unsigned worker, std::size_t i) {
        ++runs[i];
        const std::lock_guard<std::mutex> guard(lock);
        const auto known = thread_of_worker.emplace(worker, std::this_thread::get_id()).first;
        if (worker >= threads || known->second != std::this_thread::get_id()) ++wrong_worker;
      });
      for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(runs[i].load(), 1) << threads << " threads, task " << i;
      EXPECT_EQ(wrong_worker, 0) << threads << " threads";
    }
  }
}

// The error of the lowest failing index wins, even when a later one fails
// first: index 2 waits until index 3 has failed on the other thread.
TEST(InOrderTasksTest, TheLowestFailingIndexIsRethrown) {
  for (const unsigned threads : {1u, 2u}) {
    std::atomic<bool> three_failed{false};
    std::atomic<int> ran_below_two{0};
    try {
      RunInIndexOrder(100, threads, [&](unsigned, std::size_t i) {
        if (i < 2) ++ran_below_two;
        if (i == 2) {
          // With one thread index 3 never comes first; don't wait for ever.
          const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(threads > 1 ? 20 : 0);
          while (!three_failed && std::chrono::steady_clock::now() < give_up) std::this_thread::yield();
        }
        if (i == 3) three_failed = true;
        if (i == 2 || i == 3 || i == 50) throw std::runtime_error("task " + std::to_string(i));
      });
      ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(std::string(error.what()), "task 2") << threads << " threads";
    }
    EXPECT_EQ(ran_below_two.load(), 2) << threads << " threads";
  }
}

}  // namespace
}  // namespace sirvane
