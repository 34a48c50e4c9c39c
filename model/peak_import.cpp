#include "model/peak_import.h"

#include <atomic>
#include <cfenv>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

#include "model/errors.h"
#include "model/large_storage.h"
#include "model/line_file_internal.h"
#include "model/value_text.h"

namespace model {
namespace detail {
namespace {

// Below this many lines the caller reads every value alone: a second thread would cost more
// than it saves.
constexpr std::size_t kLinesForTwoThreads = std::size_t{1} << 16;
// Parts of a piece of text that the threads take one at a time, so that one kept waiting for
// a core holds up the other for a small part at most.
constexpr std::size_t kTasksPerPiece = 16;

// Whole lines of a piece of text, and the index of the value of the first.
struct Task {
  std::size_t offset;
  std::size_t length;
  std::size_t firstValue;
};

// The first line that a thread found to be no value, and the error it raised.
struct Failure {
  std::size_t line = std::numeric_limits<std::size_t>::max();
  std::exception_ptr error;
};

// Where the line after the one at offset starts, or text.size().
template <typename Char>
std::size_t NextLineStart(std::basic_string_view<Char> text, std::size_t offset) {
  const Char* const end = text.data() + text.size();
  const Char* p = FindLineEnd(text.data() + offset, end);
  if (p != end && *p == Char('\r')) ++p;
  if (p != end && *p == Char('\n')) ++p;
  return static_cast<std::size_t>(p - text.data());
}

// Reads the value of every line into values as the pieces of text come. The values of a
// long file are read by two threads at once, the caller's and a helper, each claiming the
// next part of the piece until none is left. The caller waits only for parts that the
// helper has claimed, so a helper kept from its core by other programs costs little more
// than the reading alone. Values are read in the caller's floating-point environment by
// either thread, so they are the same.
class PeakReader final : public LineTextReceiver {
 public:
  PeakReader(ValueMarks marks, std::vector<double>& values) : marks_(marks), values_(values) {}
  ~PeakReader() {
    if (!helper_.joinable()) return;
    ticket_.store(kStop, std::memory_order_release);
    ticket_.notify_one();
    helper_.join();
  }
  PeakReader(const PeakReader&) = delete;
  PeakReader& operator=(const PeakReader&) = delete;

  void Count(std::size_t lines) override {
    // Storage for every value once the file is known to be text, so that none ever moves.
    PrepareStorage(values_, lines);
    values_.resize(lines);
    if (lines >= kLinesForTwoThreads) StartHelper();
  }

  void Take(std::u16string_view text) override {
    text_ = text;
    bytes_ = {};
    Read(Split(text));
  }

  void Take(std::string_view bytes) override {
    text_ = {};
    bytes_ = bytes;
    Read(Split(bytes));
  }

  // Cuts the values to the lines read, fewer than counted where the file was cut short
  // between the counting and the reading.
  void Finish() { values_.resize(read_); }

 private:
  // A ticket: the number of the piece in the high half, its count of tasks and the next
  // task to claim in the two quarters below.
  static constexpr int kPieceShift = 32;
  static constexpr int kCountShift = 16;
  static constexpr std::uint64_t kTaskMask = 0xFFFF;
  static constexpr std::uint64_t kStop = ~std::uint64_t{0};

  // Splits the lines of the piece into tasks, and returns the number of lines read once
  // they are done.
  template <typename Char>
  std::size_t Split(std::basic_string_view<Char> text) {
    tasks_.clear();
    std::size_t lines = read_;
    for (std::size_t start = 0, k = 1; start < text.size(); ++k) {
      const std::size_t end =
          k == kTasksPerPiece
              ? text.size()
              : NextLineStart(text, std::max(start, text.size() * k / kTasksPerPiece));
      const std::basic_string_view<Char> part = text.substr(start, end - start);
      tasks_.push_back({start, part.size(), lines});
      lines += CountLines(part);
      start = end;
    }
    return lines;
  }

  // Reads the values of the tasks, up to the line before `lines`.
  void Read(std::size_t lines) {
    // A file that grew since its lines were counted.
    if (values_.size() < lines) values_.resize(lines);
    ++piece_;
    completed_.store(0, std::memory_order_relaxed);
    ticket_.store(piece_ << kPieceShift | std::uint64_t{tasks_.size()} << kCountShift,
                  std::memory_order_release);
    if (helper_.joinable()) ticket_.notify_one();
    RunTasks(piece_, failure_, characters_);
    for (std::size_t done; (done = completed_.load(std::memory_order_acquire)) < tasks_.size();) {
      completed_.wait(done, std::memory_order_acquire);
    }
    const Failure& first = helperFailure_.line < failure_.line ? helperFailure_ : failure_;
    if (first.error) {
      // The values of the lines above the first that is no value stay.
      values_.resize(first.line);
      std::rethrow_exception(first.error);
    }
    read_ = lines;
  }

  // Claims the next of the piece's count of tasks; false when none is left. The tasks are
  // only looked at while one of them is claimed and not yet completed, and the caller
  // changes them only once all are completed.
  bool Claim(std::uint64_t piece, std::size_t& task, std::size_t& count) noexcept {
    std::uint64_t ticket = ticket_.load(std::memory_order_acquire);
    do {
      task = ticket & kTaskMask;
      count = ticket >> kCountShift & kTaskMask;
      if (ticket >> kPieceShift != piece || task >= count) return false;
    } while (!ticket_.compare_exchange_weak(ticket, ticket + 1, std::memory_order_acquire));
    return true;
  }

  // Runs tasks of the piece while any are left, decoding Windows-1252 lines into characters.
  void RunTasks(std::uint64_t piece, Failure& failure, std::u16string& characters) noexcept {
    for (std::size_t t, count; Claim(piece, t, count);) {
      const Task& task = tasks_[t];
      std::size_t index = task.firstValue;
      try {
        if (bytes_.empty()) {
          ForEachLine(text_.substr(task.offset, task.length), [&](std::u16string_view line) {
            values_[index++] = ReadValue(line, marks_);
          });
        } else {
          const std::string_view bytes = bytes_.substr(task.offset, task.length);
          if (characters.size() < bytes.size()) characters.resize(bytes.size());
          DecodeWindows1252(bytes, characters.data());
          ForEachLine(bytes, [&](std::string_view line) {
            values_[index++] = ReadValue(
                std::u16string_view(characters.data() + (line.data() - bytes.data()), line.size()),
                marks_);
          });
        }
      } catch (...) {
        if (index < failure.line) failure = {index, std::current_exception()};
      }
      if (completed_.fetch_add(1, std::memory_order_release) + 1 == count) {
        completed_.notify_one();
      }
    }
  }

  void StartHelper() {
    std::fenv_t environment;
    std::fegetenv(&environment);
    try {
      helper_ = std::thread([this, environment] {
        std::fesetenv(&environment);
        std::u16string characters;
        for (std::uint64_t seen = 0;;) {
          std::uint64_t ticket = ticket_.load(std::memory_order_acquire);
          while (ticket >> kPieceShift == seen) {
            ticket_.wait(ticket, std::memory_order_acquire);
            ticket = ticket_.load(std::memory_order_acquire);
          }
          if (ticket == kStop) return;
          seen = ticket >> kPieceShift;
          RunTasks(seen, helperFailure_, characters);
        }
      });
    } catch (const std::system_error&) {
      // No thread to be had: the caller reads every value alone.
    }
  }

  const ValueMarks marks_;
  std::vector<double>& values_;
  // Lines whose values have been read.
  std::size_t read_ = 0;
  // The piece being read: a text with a mark, or the bytes of a Windows-1252 text.
  std::u16string_view text_;
  std::string_view bytes_;
  // The caller's room for the characters of a task.
  std::u16string characters_;
  std::vector<Task> tasks_;
  // The number of the piece being read, from 1.
  std::uint64_t piece_ = 0;
  std::atomic<std::uint64_t> ticket_ = 0;
  std::atomic<std::size_t> completed_ = 0;
  Failure failure_;
  Failure helperFailure_;
  std::thread helper_;
};

}  // namespace

void ImportPeaks(const LineSource& source, ValueMarks marks, std::vector<double>& peakValues,
                 std::vector<double>& loadingProcess) {
  peakValues.clear();
  loadingProcess.clear();
  try {
    PeakReader reader(marks, peakValues);
    ReadLineText(source, reader);
    reader.Finish();
  } catch (const EFOpenError&) {
    // The file failed to read after its first values were taken.
    peakValues.clear();
    throw;
  }
}

}  // namespace detail

void ImportPeakFile(std::u16string_view path, ValueMarks marks, std::vector<double>& peakValues,
                    std::vector<double>& loadingProcess) {
  detail::ImportPeaks({path}, marks, peakValues, loadingProcess);
}

}  // namespace model
