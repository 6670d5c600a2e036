#include "render/xfile_number_lookahead.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <system_error>

#include "render/xfile_short_decimal.h"
#include "render/xfile_text_chars.h"

namespace xfile {

namespace {

// The parser reads the first part itself while building the document, which
// costs it more per byte than reading numbers costs the thread: the thread
// takes the larger share.
constexpr double kParserShare = 0.46;
// Records are kept to at most one per this many bytes, which bounds their
// memory by the body's size whatever the text. Exporters write eight or
// more bytes per number; denser text just leaves the rest to the parser.
// More room would cost: fresh memory is paid for page by page.
constexpr size_t kBytesPerRecord = 6;
// Bytes at the end that no recorded number may reach into.
constexpr ptrdiff_t kTailMargin = 64;
// Bytes between two reports of progress (and looks at whether to stop).
constexpr ptrdiff_t kReportEvery = 16 << 10;
// Everything is recorded: the offset the finished thread reports.
constexpr uint32_t kFinished = std::numeric_limits<uint32_t>::max();

}  // namespace

NumberLookahead::NumberLookahead(const char* begin, const char* end) : from_(end) {
  const size_t size = size_t(end - begin);
  if (size < kMinBodySize) return;
  const char* from = begin + size_t(double(size) * kParserShare);
  // Offsets are 32-bit, and kFinished is none of them.
  const size_t span = std::min<size_t>(size_t(end - from) - kTailMargin, kFinished - 1);
  capacity_ = span / kBytesPerRecord;
  // Not value-initialised: only the records written are ever read.
  starts_.reset(new (std::nothrow) uint32_t[capacity_]);
  lengths_.reset(new (std::nothrow) uint8_t[capacity_]);
  gaps_.reset(new (std::nothrow) uint8_t[capacity_]);
  values_.reset(new (std::nothrow) double[capacity_]);
  if (!starts_ || !lengths_ || !gaps_ || !values_) return;
  from_ = from;
  limit_ = from + span;
  try {
    thread_ = std::thread(&NumberLookahead::Run, this);
  } catch (const std::system_error&) {
    from_ = end;
  }
}

NumberLookahead::~NumberLookahead() {
  stop_.store(true, std::memory_order_relaxed);
  if (thread_.joinable()) thread_.join();
}

void NumberLookahead::Run() {
  using text_chars::IsSeparator;
  uint32_t* const starts = starts_.get();
  uint8_t* const lengths = lengths_.get();
  uint8_t* const gaps = gaps_.get();
  double* const values = values_.get();
  const char* const from = from_;
  const char* const limit = limit_;
  const char* p = from;
  // The bytes just before may run on into these: start at the next token.
  while (p < limit && !IsSeparator(*p)) ++p;
  size_t n = 0;
  const char* nextReport = p + kReportEvery;
  const char* lastEnd = nullptr;  // the end of the last record, when nothing else followed it
  while (n < capacity_) {
    const char* const separators = p;
    while (p < limit && IsSeparator(*p)) ++p;
    if (p >= limit) break;
    double value;
    const char* end = ParseShortDecimal(p, value);
    if (end != nullptr && IsSeparator(*end)) {
      starts[n] = uint32_t(p - from);
      lengths[n] = uint8_t(end - p);
      const ptrdiff_t gap = p - separators;
      gaps[n] = lastEnd == separators && gap <= 255 ? uint8_t(gap) : 0;
      values[n] = value;
      ++n;
      p = lastEnd = end;
    } else {
      // Not a number of that spelling (a name, brace, comment, string...):
      // nothing is recorded for any of its bytes.
      while (p < limit && !IsSeparator(*p)) ++p;
      lastEnd = nullptr;
    }
    if (p >= nextReport) {
      nextReport = p + kReportEvery;
      count_.store(n, std::memory_order_relaxed);
      reached_.store(uint32_t(p - from), std::memory_order_release);
      if (stop_.load(std::memory_order_relaxed)) break;
    }
  }
  count_.store(n, std::memory_order_relaxed);
  reached_.store(kFinished, std::memory_order_release);
}

void NumberLookahead::WaitPast(uint32_t offset) {
  uint32_t reached = reached_.load(std::memory_order_acquire);
  while (reached <= offset) {
    std::this_thread::yield();
    reached = reached_.load(std::memory_order_acquire);
  }
  seenReached_ = reached;
  seenCount_ = count_.load(std::memory_order_relaxed);
}

bool NumberLookahead::FindRecord(const char* p, size_t& record) {
  if (p >= limit_) return false;
  const uint32_t offset = uint32_t(p - from_);
  if (offset >= seenReached_) WaitPast(offset);
  size_t c = cursor_;
  if (c < seenCount_ && starts_[c] != offset) {
    if (starts_[c] > offset) return false;
    c = size_t(std::lower_bound(starts_.get() + c, starts_.get() + seenCount_, offset) - starts_.get());
    cursor_ = c;
    if (c == seenCount_ || starts_[c] != offset) return false;
  }
  if (c >= seenCount_) return false;
  record = c;
  return true;
}

bool NumberLookahead::Search(const char* p, double& value, const char*& next) {
  size_t c;
  if (!FindRecord(p, c)) return false;
  value = values_[c];
  next = lastEnd_ = p + lengths_[c];
  cursor_ = c + 1;
  return true;
}

size_t NumberLookahead::PeekRun(const char* p, size_t max, const double*& values) {
  if (max == 0 || p < from_) return 0;
  while (p < limit_ && text_chars::IsSeparator(*p)) ++p;
  size_t first;
  if (!FindRecord(p, first)) return 0;
  // The run ends before the first record with something else in front.
  const size_t span = std::min(max, seenCount_ - first);
  const void* stop = std::memchr(gaps_.get() + first + 1, 0, span - 1);
  const size_t count = stop ? size_t(static_cast<const uint8_t*>(stop) - gaps_.get()) - first : span;
  runFirst_ = first;
  values = values_.get() + first;
  return count;
}

}  // namespace xfile
