#include "model/process_export.h"

#include <algorithm>
#include <memory>
#include <string_view>

#include "model/file_replacement.h"
#include "model/line_file_internal.h"
#include "model/text_codec.h"
#include "model/value_format.h"

namespace model {
namespace {

// Values formatted before their text is encoded: 4 Ki lines of UTF-16 text, about 200 KiB,
// which the processor's cache still holds when they are encoded.
constexpr std::size_t kLinesPerBatch = std::size_t{1} << 12;
// Batches encoded before the bytes are handed on: 64 Ki lines, at most a few MiB.
constexpr std::size_t kBatchesPerBuffer = 16;

// Whether the file has to be UTF-8: only the decimal mark can be outside Windows-1252, and
// only a value written with a fraction shows it. Nearly every process has one among its
// first values, so the search ends early.
bool NeedsUtf8(const std::vector<double>& loadingProcess, ValueMarks marks) {
  const char16_t mark = marks.decimalMark;
  if (detail::HoldsInWindows1252(std::u16string_view(&mark, 1))) return false;
  char16_t text[kMaxFormattedValueLength];
  return std::any_of(loadingProcess.begin(), loadingProcess.end(), [&](double value) {
    return std::u16string_view(text, FormatValueTo(value, marks, text)).find(mark) !=
           std::u16string_view::npos;
  });
}

// Narrows text that is all ASCII, which both encodings write as it is, in one pass that the
// compiler vectorises. Returns false, with out written over, where a unit is not ASCII.
bool NarrowAscii(std::u16string_view text, char* out) noexcept {
  char16_t units = 0;
  for (std::size_t k = 0; k < text.size(); ++k) {
    units |= text[k];
    out[k] = static_cast<char>(text[k]);
  }
  return units < 0x80;
}

// Encodes text in encoding at out, which has room for MaxEncodedLineLength(encoding, ...) of
// each of its lines; returns the count of bytes. A number is ASCII but for its decimal mark,
// so the slower encoders see only a batch that holds a mark outside ASCII.
std::size_t EncodeText(std::u16string_view text, detail::TextEncoding encoding,
                       char* out) noexcept {
  if (NarrowAscii(text, out)) return text.size();
  return encoding == detail::TextEncoding::Utf8 ? detail::EncodeUtf8(text, out)
                                                : detail::EncodeWindows1252(text, out);
}

}  // namespace

namespace detail {

void WriteLoadingProcessContent(const std::vector<double>& loadingProcess, ValueMarks marks,
                                ContentSink& sink) {
  const TextEncoding encoding = EncodingToWrite(!NeedsUtf8(loadingProcess, marks));
  sink.Write(MarkToWrite(encoding));
  // Each value goes from its digits to the bytes of the file through buffers of a fixed
  // size, so that memory does not grow with the process, and no larger than a short
  // process needs. Every byte is written before it is read, so no buffer is cleared first.
  const std::size_t count = loadingProcess.size();
  const std::size_t batchLines = std::min(count, kLinesPerBatch);
  const std::size_t lineRoom = MaxEncodedLineLength(encoding, kMaxFormattedValueLength);
  const std::size_t batchRoom = batchLines * lineRoom;
  const std::size_t room = std::min(count, kBatchesPerBuffer * kLinesPerBatch) * lineRoom;
  const auto text =
      std::make_unique_for_overwrite<char16_t[]>(batchLines * (kMaxFormattedValueLength + 2));
  const auto buffer = std::make_unique_for_overwrite<char[]>(room);
  char* out = buffer.get();
  for (std::size_t first = 0; first < count; first += kLinesPerBatch) {
    const std::size_t last = std::min(count, first + kLinesPerBatch);
    char16_t* units = text.get();
    for (std::size_t i = first; i < last; ++i) {
      units += FormatValueTo(loadingProcess[i], marks, units);
      *units++ = u'\r';
      *units++ = u'\n';
    }
    out += EncodeText(std::u16string_view(text.get(), static_cast<std::size_t>(units - text.get())),
                      encoding, out);
    const auto filled = static_cast<std::size_t>(out - buffer.get());
    if (room - filled < batchRoom || last == count) {
      sink.Write(std::string_view(buffer.get(), filled));
      out = buffer.get();
    }
  }
}

}  // namespace detail

void ExportLoadingProcess(std::u16string_view path, const std::vector<double>& loadingProcess,
                          ValueMarks marks) {
  detail::WriteFileContent(path, [&loadingProcess, marks](detail::ContentSink& sink) {
    detail::WriteLoadingProcessContent(loadingProcess, marks, sink);
  });
}

}  // namespace model
