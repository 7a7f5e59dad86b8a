#pragma once
// Small facts about the system the run is on.
#include <cstddef>
#include <cstdint>
#include <utility>

namespace sirvane {

// The separator put at the end of an output directory that lacks one.
#ifdef _WIN32
inline constexpr char kDirectorySeparator = '\\';
#else
inline constexpr char kDirectorySeparator = '/';
#endif

// A seed for the hash indexes, different in every run, so that no crafted log
// can count on colliding names.
std::uint64_t RandomSeed();

// Sets up the heap for the run; call before starting threads.
// - All threads allocate from one heap. The second reading thread's tables are
//   merged into the first's and freed; with a heap per thread (glibc's
//   default) that memory is not reused by the rest of the run, which raised
//   the peak by a seventh on large logs.
// - No transparent huge pages: on a virtual machine that hands free memory
//   back to its host, each fresh huge page is slow to touch, and a run after
//   a few idle seconds took 0.14 s longer with them (no run was faster).
void PrepareHeap();

// Gives the pages of freed memory back to the system, the heap's reserve
// included. The heap keeps what is freed for reuse, and a phase's new arrays
// rarely fit the holes an earlier phase left: called between phases (after
// reading, after ordering), it keeps the run's peak near that of its largest
// phase instead of a sum.
void ReturnFreeMemory();

// A buffer that may grow very large (a log line of hundreds of megabytes).
// Large ones come from the system and go back to it when freed: the heap
// (see PrepareHeap) would keep their memory for the rest of the run.
class LargeBuffer {
 public:
  LargeBuffer() = default;
  explicit LargeBuffer(std::size_t size);  // contents undefined
  ~LargeBuffer() { reset(); }
  LargeBuffer(const LargeBuffer&) = delete;
  LargeBuffer& operator=(const LargeBuffer&) = delete;
  LargeBuffer(LargeBuffer&& other) noexcept { swap(other); }
  LargeBuffer& operator=(LargeBuffer&& other) noexcept {
    if (this != &other) {
      reset();
      swap(other);
    }
    return *this;
  }
  void swap(LargeBuffer& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
  }
  void reset() noexcept;
  char* get() const { return data_; }
  char& operator[](std::size_t i) const { return data_[i]; }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace sirvane
