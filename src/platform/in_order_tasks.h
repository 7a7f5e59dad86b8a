#pragma once
// Independent tasks, such as writing one page each, run on a few threads
// while the outcome stays that of a plain loop: the same exception.
#include <atomic>
#include <cstddef>
#include <exception>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace sirvane {

// Threads worth using for independent tasks: the cores, at most two (the
// work is mostly writing files; more threads only queue up in the kernel).
inline unsigned TaskThreads() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores >= 2 ? 2 : 1;
}

// Runs task(worker, i) for every i below `count` on up to `threads` threads,
// the calling thread included; `worker` (below `threads`) tells which thread
// runs it, for state of its own such as a buffer. Indices are handed out in increasing order; once
// a task throws, no further index is handed out, the tasks already started
// finish, and the exception of the lowest failing index is rethrown. Every
// lower index was handed out before it and has run, so that is the exception
// a loop in index order would throw.
template <typename Task>
void RunInIndexOrder(std::size_t count, unsigned threads, const Task& task) {
  if (threads <= 1 || count < 2) {
    for (std::size_t i = 0; i < count; ++i) task(0u, i);
    return;
  }
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  std::mutex failure_lock;
  std::size_t failed_index = std::numeric_limits<std::size_t>::max();
  std::exception_ptr failure;
  auto work = [&](unsigned worker) {
    while (!failed.load(std::memory_order_acquire)) {
      const std::size_t i = next.fetch_add(1, std::memory_order_relaxed);
      if (i >= count) return;
      try {
        task(worker, i);
      } catch (...) {
        const std::lock_guard<std::mutex> lock(failure_lock);
        if (i < failed_index) {
          failed_index = i;
          failure = std::current_exception();
        }
        failed.store(true, std::memory_order_release);
      }
    }
  };
  std::vector<std::thread> helpers;
  helpers.reserve(threads - 1);
  for (unsigned t = 1; t < threads; ++t) {
    try {
      helpers.emplace_back(work, t);
    } catch (const std::system_error&) {
      break;  // no thread to be had: the others do the work
    }
  }
  work(0u);
  for (std::thread& helper : helpers) helper.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace sirvane
