#pragma once
// The decoded bytes of a compressed file, decoded ahead on a thread of their
// own so that decompression on one core overlaps with splitting and accounting
// on the other. The thread fills blocks of about 1 MiB and hands them over
// through a queue of two; when the reader falls behind, the thread waits.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/decompressor.h"

namespace sirvane {

class DecompressingSource {
 public:
  // Takes `fd`, open at the start of the file, and starts decoding it. When
  // no thread can be started, closes `fd` and throws std::system_error.
  DecompressingSource(int fd, std::unique_ptr<Decompressor> decompressor);
  // Stops the thread, even in mid-file, and closes the file.
  ~DecompressingSource();
  DecompressingSource(const DecompressingSource&) = delete;
  DecompressingSource& operator=(const DecompressingSource&) = delete;

  // Copies up to `room` decoded bytes to `destination`; 0 when no more come.
  std::size_t Read(char* destination, std::size_t room);
  // Once Read has returned 0: why the data ended early, or empty when the
  // file ended cleanly.
  const std::string& damage() const { return damage_; }
  // Compressed bytes of the file behind the decoded bytes handed out so far.
  std::uint64_t compressed_bytes_used() const { return compressed_bytes_used_; }

 private:
  struct Block {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
    std::uint64_t compressed_end = 0;  // file offset of the input decoded up to here
  };

  void Produce();                  // the thread
  std::string DecodeFile();        // on the thread; returns the damage, if any
  std::unique_ptr<char[]> EmptyBlock();
  bool Hand(Block block);          // false when told to stop

  int fd_;
  std::unique_ptr<Decompressor> decompressor_;

  std::mutex mutex_;
  std::condition_variable block_ready_;  // the reader waits for it
  std::condition_variable room_ready_;   // the thread waits for it
  std::deque<Block> ready_;
  std::vector<std::unique_ptr<char[]>> spare_blocks_;  // handed back, for reuse
  bool finished_ = false;
  bool stop_ = false;
  std::string damage_;

  // The reader's side.
  Block current_;
  std::size_t current_used_ = 0;
  std::uint64_t compressed_bytes_used_ = 0;

  std::thread thread_;  // started once everything above exists
};

}  // namespace sirvane
