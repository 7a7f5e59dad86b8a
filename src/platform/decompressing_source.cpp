#include "platform/decompressing_source.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace sirvane {

namespace {

constexpr std::size_t kBlockSize = std::size_t{1} << 20;   // decoded bytes per hand-over
constexpr std::size_t kInputSize = std::size_t{256} << 10;  // compressed bytes per read
constexpr std::size_t kQueueDepth = 2;                       // decoded blocks waiting for the reader

}  // namespace

DecompressingSource::DecompressingSource(int fd, std::unique_ptr<Decompressor> decompressor)
    : fd_(fd), decompressor_(std::move(decompressor)) {
  try {
    thread_ = std::thread([this] { Produce(); });
  } catch (...) {
    ::close(fd_);
    throw;
  }
}

DecompressingSource::~DecompressingSource() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  room_ready_.notify_all();
  thread_.join();
  ::close(fd_);
}

void DecompressingSource::Produce() {
  std::string damage;
  // Nothing may escape a thread: a failure here ends the data like damage does.
  try {
    damage = DecodeFile();
  } catch (const std::bad_alloc&) {
    damage = "out of memory while decompressing";
  } catch (const std::exception& error) {
    damage = error.what();
  }
  {
    const std::lock_guard lock(mutex_);
    finished_ = true;
    damage_ = std::move(damage);
  }
  block_ready_.notify_all();
}

std::string DecompressingSource::DecodeFile() {
  const auto input_buffer = std::make_unique_for_overwrite<char[]>(kInputSize);
  std::span<const char> input;
  bool last = false;
  std::uint64_t bytes_read = 0;
  Block block{EmptyBlock()};
  for (;;) {
    if (input.empty() && !last) {
      const ssize_t got = ::read(fd_, input_buffer.get(), kInputSize);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return std::string("read error: ") + std::strerror(errno);
      bytes_read += static_cast<std::uint64_t>(got);
      last = got == 0;
      input = std::span<const char>(input_buffer.get(), static_cast<std::size_t>(got));
    }
    std::span<char> room(block.data.get() + block.size, kBlockSize - block.size);
    const DecodeStatus status = decompressor_->Decode(input, room, last);
    block.size = kBlockSize - room.size();
    const bool done = status != DecodeStatus::kMore;
    if (block.size == kBlockSize || (done && block.size > 0)) {
      block.compressed_end = bytes_read - input.size();
      if (!Hand(std::move(block))) return {};
      block = Block{done ? nullptr : EmptyBlock()};
    }
    if (status == DecodeStatus::kDamaged) return decompressor_->damage();
    if (status == DecodeStatus::kEnd) return {};
  }
}  // NOLINT(clang-analyzer-cplusplus.NewDeleteLeaks): `block` owns its buffer through a unique_ptr

std::unique_ptr<char[]> DecompressingSource::EmptyBlock() {
  {
    const std::lock_guard lock(mutex_);
    if (!spare_blocks_.empty()) {
      std::unique_ptr<char[]> block = std::move(spare_blocks_.back());
      spare_blocks_.pop_back();
      return block;
    }
  }
  return std::make_unique_for_overwrite<char[]>(kBlockSize);
}

bool DecompressingSource::Hand(Block block) {
  {
    std::unique_lock lock(mutex_);
    room_ready_.wait(lock, [this] { return stop_ || ready_.size() < kQueueDepth; });
    if (stop_) return false;
    ready_.push_back(std::move(block));
  }
  block_ready_.notify_one();
  return true;
}

std::size_t DecompressingSource::Read(char* destination, std::size_t room) {
  while (current_used_ == current_.size) {
    {
      std::unique_lock lock(mutex_);
      if (current_.data) spare_blocks_.push_back(std::move(current_.data));
      current_ = Block{};
      current_used_ = 0;
      block_ready_.wait(lock, [this] { return finished_ || !ready_.empty(); });
      if (ready_.empty()) return 0;  // finished, and damage_ is final
      current_ = std::move(ready_.front());
      ready_.pop_front();
    }
    room_ready_.notify_one();
    compressed_bytes_used_ = current_.compressed_end;
  }
  const std::size_t count = std::min(room, current_.size - current_used_);
  std::memcpy(destination, current_.data.get() + current_used_, count);
  current_used_ += count;
  return count;
}

}  // namespace sirvane
