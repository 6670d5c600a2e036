// Reads ahead, on a second thread, the numbers in the later part of a large
// .x text body while the parser works through the earlier part. Each number
// is recorded by where it starts, and the parser takes a record only when it
// stands exactly there, so it gets what it would have read itself: a record
// says only what the bytes at that place spell.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>

namespace xfile {

class NumberLookahead {
 public:
  // Smaller bodies are read by the parser alone: a thread would not pay.
  static constexpr size_t kMinBodySize = size_t(1) << 20;

  // Starts the thread for a large body; otherwise (or when no thread or
  // memory can be had) stays inactive, From() being the end of the body.
  NumberLookahead(const char* begin, const char* end);
  ~NumberLookahead();
  NumberLookahead(const NumberLookahead&) = delete;
  NumberLookahead& operator=(const NumberLookahead&) = delete;

  // Numbers before this are never recorded.
  const char* From() const { return from_; }

  // The number that starts exactly at p (p >= From()): its value and where
  // it ends. Waits while the thread has not got that far yet. Calls must
  // come with p not decreasing.
  bool Take(const char* p, double& value, const char*& next) {
    // The usual case: the parser reads on where the last record ended.
    const size_t c = cursor_;
    if (c < seenCount_ && starts_[c] == uint32_t(p - from_) && p < limit_) {
      value = values_[c];
      next = lastEnd_ = p + lengths_[c];
      cursor_ = c + 1;
      return true;
    }
    return Search(p, value, next);
  }

  // The numbers, up to `max`, that start after the separators at p and
  // follow one another with only separators between, as far as the thread
  // has recorded them: how many, their values at `values`. Nothing is taken.
  size_t PeekRun(const char* p, size_t max, const double*& values);
  // Takes the first `count` (at least one) of the run PeekRun just found;
  // returns where the last of them ends.
  const char* TakeRun(size_t count) {
    const size_t last = runFirst_ + count - 1;
    lastEnd_ = from_ + starts_[last] + lengths_[last];
    cursor_ = last + 1;
    return lastEnd_;
  }

  // Where the last number taken ended (p), the next one when only
  // separators lie between: p moves past both without the text being read.
  bool TakeNext(const char*& p, double& value) {
    const size_t c = cursor_;
    if (p != lastEnd_ || c >= seenCount_ || gaps_[c] == 0) return false;
    value = values_[c];
    p += gaps_[c] + lengths_[c];
    lastEnd_ = p;
    cursor_ = c + 1;
    return true;
  }

 private:
  bool Search(const char* p, double& value, const char*& next);
  // The record starting at p, made visible and looked up from the cursor;
  // false when there is none.
  bool FindRecord(const char* p, size_t& record);
  void Run();
  // Makes the records before `offset` visible, waiting for them if need be.
  void WaitPast(uint32_t offset);

  const char* from_;
  const char* limit_ = nullptr;  // no number starting at or after this is recorded
  size_t capacity_ = 0;
  // Records: start (offset from from_, increasing), length, value, and the
  // separator bytes between the record before and this one (0 when
  // anything else lies between).
  std::unique_ptr<uint32_t[]> starts_;
  std::unique_ptr<uint8_t[]> lengths_;
  std::unique_ptr<uint8_t[]> gaps_;
  std::unique_ptr<double[]> values_;
  std::thread thread_;

  // Written by the thread: every record starting before `reached_` is
  // stored, and there are `count_` of them. Each on a cache line of its own,
  // as one thread polls what the other writes.
  alignas(64) std::atomic<uint32_t> reached_{0};
  alignas(64) std::atomic<size_t> count_{0};
  alignas(64) std::atomic<bool> stop_{false};

  // The parser's side.
  alignas(64) uint32_t seenReached_ = 0;
  size_t seenCount_ = 0;
  size_t cursor_ = 0;
  size_t runFirst_ = 0;  // the first record of the run PeekRun found
  const char* lastEnd_ = nullptr;  // where the last record taken ended
};

}  // namespace xfile
