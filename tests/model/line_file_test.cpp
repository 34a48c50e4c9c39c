#include "model/line_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "model/errors.h"
#include "model/file_replacement_internal.h"
#include "model/line_file_internal.h"
#include "model/process_export.h"
#include "tests/model/file_test_support.h"

namespace model {
namespace {

using namespace std::string_literals;
using Lines = std::vector<std::u16string>;

class LineFileTest : public TemporaryFolderTest {
 protected:
  Lines ReadFromBytes(const std::string& bytes) {
    WriteBytes("in.txt", bytes);
    return ReadLineFile(Path("in.txt"));
  }

  std::string WrittenBytes(const Lines& lines) {
    WriteLineFile(Path("out.txt"), lines);
    return ReadBytes("out.txt");
  }

  std::u16string OpenMessage(const std::string& absolute, const char16_t* reason) {
    return u"Cannot open file \"" + Widen(absolute) + u"\". " + reason;
  }

  std::u16string CreateMessage(const std::string& absolute, const char16_t* reason) {
    return u"Cannot create file \"" + Widen(absolute) + u"\". " + reason;
  }
};

TEST_F(LineFileTest, ReadsLinesInEveryEncodingAndWithEveryLineEnd) {
  // clang-format off
  const struct {
    std::string bytes;
    Lines lines;
  } rows[] = {
      {"", {}},
      {"1\r\n2\r\n", {u"1", u"2"}},
      {"1\r\n2", {u"1", u"2"}},
      {"1\n2\n", {u"1", u"2"}},
      {"1\r2\r", {u"1", u"2"}},
      {"1\n\r2", {u"1", u"", u"2"}},
      {"1\r\r\n2", {u"1", u"", u"2"}},
      {"\r\n", {u""}},
      {"\r\n\r\n", {u"", u""}},
      {"1\r\n\r\n", {u"1", u""}},
      {"1\r\n2\n3\r4", {u"1", u"2", u"3", u"4"}},
      {" 1\t\r\n", {u" 1\t"}},
      {"1\f2\v3", {u"1\f2\v3"}},
      {"\xEF\xBB\xBF" "1\r\n", {u"1"}},
      {"\xEF\xBB\xBF", {}},
      {"\xEF\xBB\xBF" "\xC3\xA9\xF0\x9F\x98\x80", {u"\u00E9\U0001F600"}},
      {"\xFF\xFE" "1\0\r\0\n\0" "2\0"s, {u"1", u"2"}},
      {"\xFE\xFF" "\0" "1\0\n\0" "2"s, {u"1", u"2"}},
      {"\xFF\xFE", {}},
      {"\xFE\xFF", {}},
      // Neither U+0085 nor U+2028 ends a line.
      {"\xFF\xFE" "1\0\x85\0" "2\0\x28\x20" "3\0"s, {u"1\u00852\u20283"}},
      {"\xFF\xFE" "1\0" "2"s, {u"1"}},
      {"\xFF\xFE\x00\xD8"s, {u"\xD800"}},
      // The mark of UTF-32 little-endian: UTF-16 whose only character is NUL.
      {"\xFF\xFE\0\0"s, {}},
      // Without a mark every byte is Windows-1252, UTF-8 included.
      {"\x80\x81\xE9\xFF", {u"\u20AC\u0081\u00E9\u00FF"}},
      {"\xC3\xA9", {u"\u00C3\u00A9"}},
      // NULs at the very end pad the text; one character of UTF-16 without a mark is such.
      {"1\0"s, {u"1"}},
      {"1\r\n\0\0\0"s, {u"1"}},
      {"\0"s, {}},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.bytes));
    EXPECT_EQ(ReadFromBytes(row.bytes), row.lines);
  }
}

TEST_F(LineFileTest, TextThatCannotBeKeptWholeIsAnEncodingError) {
  // clang-format off
  const struct {
    std::string bytes;
    const char16_t* detail;
  } rows[] = {
      {"\xEF\xBB\xBF" "1\xFF\r\n", u"Invalid UTF-8 sequence at byte 4"},
      {"\xEF\xBB\xBF" "1\r\n2\xE2\x82", u"Invalid UTF-8 sequence at byte 7"},
      // An invalid sequence fails the file even after NUL padding.
      {"\xEF\xBB\xBF" "1\0\xC0\x80"s, u"Invalid UTF-8 sequence at byte 5"},
      // UTF-16 without a mark: its first high byte would end the text after one digit.
      {"1\0\r\0\n\0" "2\0"s, u"NUL character at byte 1"},
      {"1\r\n2\0" "3\r\n"s, u"NUL character at byte 4"},
      {"\xEF\xBB\xBF" "\xC3\xA9\0" "1"s, u"NUL character at byte 5"},
      {"\xFF\xFE" "1\0\0\0" "2\0"s, u"NUL character at byte 4"},
      {"\xFE\xFF" "\0" "1\0\0\0" "2"s, u"NUL character at byte 4"},
      {"\xFF\xFE\0\0" "1\0\0\0"s, u"NUL character at byte 2"},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.bytes));
    EXPECT_EQ(ErrorMessage<EEncodingError>([&] { ReadFromBytes(row.bytes); }),
              u"Cannot read file \"" + Path("in.txt") + u"\". " + row.detail);
  }
}

// The lines of text as a character-by-character scan finds them; the characters of a byte
// string are its bytes, which are ASCII wherever this is used.
template <typename Char>
Lines LinesByScanning(std::basic_string_view<Char> text) {
  Lines lines;
  for (std::size_t k = 0; k < text.size();) {
    std::size_t end = k;
    while (end < text.size() && text[end] != Char('\r') && text[end] != Char('\n')) ++end;
    lines.emplace_back(text.begin() + static_cast<std::ptrdiff_t>(k),
                       text.begin() + static_cast<std::ptrdiff_t>(end));
    k = end;
    if (k < text.size() && text[k] == Char('\r')) ++k;
    if (k < text.size() && text[k] == Char('\n')) ++k;
  }
  return lines;
}

Lines LinesByScanning(const std::string& text) { return LinesByScanning(std::string_view(text)); }

// What a file of some bytes reads as: its lines, or the detail of its encoding error.
struct Reading {
  Lines lines;
  std::u16string error;

  friend bool operator==(const Reading&, const Reading&) = default;
};

void PrintTo(const Reading& reading, std::ostream* out) {
  *out << (reading.error.empty() ? testing::PrintToString(reading.lines)
                                 : testing::PrintToString(reading.error));
}

std::u16string At(const char16_t* what, std::size_t byte) {
  const std::string number = std::to_string(byte);
  return what + (u" at byte " + std::u16string(number.begin(), number.end()));
}

// The length of the UTF-8 sequence that a lead byte starts, or 0 for a byte that starts none.
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 0;
}

// Strict UTF-8 as the standard words it, one code point at a time; the code units of each
// character go to text and the offset of its first byte to offsets. Returns the offset of
// the first sequence that is not well-formed, or npos.
std::size_t DecodeUtf8ByTheStandard(std::string_view bytes, std::u16string& text,
                                    std::vector<std::size_t>& offsets) {
  for (std::size_t k = 0; k < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[k]);
    const std::size_t length = SequenceLength(lead);
    if (length == 0 || k + length > bytes.size()) return k;
    char32_t code = length == 1 ? lead : lead & (0x7Fu >> length);
    for (std::size_t j = 1; j < length; ++j) {
      const auto next = static_cast<unsigned char>(bytes[k + j]);
      if ((next & 0xC0) != 0x80) return k;
      code = code << 6 | (next & 0x3F);
    }
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return k;
    if (code >= 0x10000) {
      text += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      offsets.push_back(k);
      code = 0xDC00 + (code & 0x3FF);
    }
    text += static_cast<char16_t>(code);
    offsets.push_back(k);
    k += length;
  }
  return std::string_view::npos;
}

// The reading of bytes as the header of ReadLineFile describes it, written for this test
// alone: the mark, the decoding, the NULs and the lines, each in the plainest way. Of the
// bytes 80 to 9F, Windows-1252 is given only for 80, the one these texts use.
Reading ReferenceReading(const std::string& bytes) {
  std::u16string text;
  // The offset in the file of each code unit's first byte.
  std::vector<std::size_t> offsets;
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    const bool bigEndian = bytes[0] == '\xFE';
    for (std::size_t k = 2; k + 1 < bytes.size(); k += 2) {
      const auto first = static_cast<unsigned char>(bytes[k]);
      const auto second = static_cast<unsigned char>(bytes[k + 1]);
      text += static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
      offsets.push_back(k);
    }
  } else if (bytes.starts_with("\xEF\xBB\xBF")) {
    const std::size_t invalid = DecodeUtf8ByTheStandard(bytes.substr(3), text, offsets);
    if (invalid != std::string::npos) return {{}, At(u"Invalid UTF-8 sequence", 3 + invalid)};
    for (std::size_t& offset : offsets) offset += 3;
  } else {
    for (std::size_t k = 0; k < bytes.size(); ++k) {
      const auto byte = static_cast<unsigned char>(bytes[k]);
      EXPECT_TRUE(byte < 0x81 || byte > 0x9F) << "no reference for byte " << int{byte};
      text += byte == 0x80 ? u'\u20AC' : static_cast<char16_t>(byte);
      offsets.push_back(k);
    }
  }
  const std::size_t nul = text.find(u'\0');
  if (nul != text.npos) {
    if (text.find_first_not_of(u'\0', nul) != text.npos) {
      return {{}, At(u"NUL character", offsets[nul])};
    }
    text.resize(nul);
  }
  return {LinesByScanning(std::u16string_view(text)), {}};
}

// Every text of a few pieces, each a byte or a character of the text's encoding, that hold
// the line ends, NUL, and what starts, continues or breaks a character.
std::vector<std::string> ShortTexts() {
  // clang-format off
  const struct {
    std::string mark;
    std::vector<std::string> pieces;
    std::size_t most;
  } kinds[] = {
      {"", {"1", "\r", "\n", "\0"s, "\x80"}, 4},
      // The first bytes of a mark without the rest of it, and with it.
      {"\xFF", {"1", "\xFE", "\0"s}, 2},
      {"\xEF\xBB", {"1", "\xBF", "\0"s}, 2},
      // Characters of two and four bytes, a stray continuation byte, a surrogate, an
      // overlong NUL, and a lead byte that the end or the next byte cuts off.
      {"\xEF\xBB\xBF",
       {"1", "\r", "\n", "\0"s, "\xC3\xA9", "\xF0\x9F\x98\x80", "\xA9", "\xED\xA0\x80",
        "\xC0\x80", "\xC3"},
       3},
      // Code units: "1", CR, LF, NUL, a lone surrogate, U+0A0D (CR and LF bytes in one
      // unit); and a lone byte, which shifts the units after it or is left over at the end.
      {"\xFF\xFE", {"1\0"s, "\r\0"s, "\n\0"s, "\0\0"s, "\0\xD8"s, "\r\n", "\n"}, 3},
      {"\xFE\xFF", {"\0" "1"s, "\0\r"s, "\0\n"s, "\0\0"s, "\xD8\0"s, "\n\r", "\n"}, 3},
  };
  // clang-format on
  std::vector<std::string> texts;
  for (const auto& kind : kinds) {
    std::vector<std::string> shorter = {kind.mark};
    texts.push_back(kind.mark);
    for (std::size_t count = 1; count <= kind.most; ++count) {
      std::vector<std::string> longer;
      for (const std::string& text : shorter) {
        for (const std::string& piece : kind.pieces) longer.push_back(text + piece);
      }
      texts.insert(texts.end(), longer.begin(), longer.end());
      shorter = std::move(longer);
    }
  }
  return texts;
}

// Reads many texts as ReadLineFile reads a file, but from one file in memory that is
// written anew for each: no folder, no lock, a handful of system calls a text.
class MemoryFile {
 public:
  MemoryFile() : descriptor_(::memfd_create("line-file-test", MFD_CLOEXEC)) {}
  ~MemoryFile() { ::close(descriptor_); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  bool IsOpen() const { return descriptor_ >= 0; }

  Reading Read(const std::string& bytes, std::u16string_view name) const {
    EXPECT_EQ(::ftruncate(descriptor_, 0), 0);
    EXPECT_EQ(::pwrite(descriptor_, bytes.data(), bytes.size(), 0),
              static_cast<ssize_t>(bytes.size()));
    EXPECT_EQ(::lseek(descriptor_, 0, SEEK_SET), 0);
    Reading reading;
    try {
      detail::ForEachLineOf(
          {name, descriptor_}, [](std::size_t) {},
          [&reading](std::u16string_view line) { reading.lines.emplace_back(line); });
    } catch (const EEncodingError& error) {
      const std::u16string prefix = u"Cannot read file \"" + std::u16string(name) + u"\". ";
      EXPECT_TRUE(error.Message().starts_with(prefix)) << testing::PrintToString(error.Message());
      return {{}, error.Message().substr(prefix.size())};
    }
    return reading;
  }

 private:
  int descriptor_;
};

TEST_F(LineFileTest, EveryShortTextReadsAsTheReferenceReadsIt) {
  const MemoryFile file;
  ASSERT_TRUE(file.IsOpen());
  for (const std::string& bytes : ShortTexts()) {
    SCOPED_TRACE(testing::PrintToString(bytes));
    EXPECT_EQ(file.Read(bytes, Path("in.txt")), ReferenceReading(bytes));
  }
}

// Long lines of mixed content, where line ends fall anywhere within the words that the
// reading scans at a time.
TEST_F(LineFileTest, SplitsLongTextsAsACharacterByCharacterScanWould) {
  std::mt19937 random(17);
  const std::string alphabet = "a1 \r\n\xE9\x80";
  const std::u16string characters = u"a1 \r\n\u00E9\u20AC";
  for (int round = 0; round < 500; ++round) {
    std::string bytes;
    std::u16string text;
    const std::size_t length = random() % 200;
    for (std::size_t k = 0; k < length; ++k) {
      const std::size_t pick = random() % alphabet.size();
      bytes += alphabet[pick];
      text += characters[pick];
    }
    SCOPED_TRACE(testing::PrintToString(bytes));
    ASSERT_EQ(ReadFromBytes(bytes), LinesByScanning(std::u16string_view(text)));
  }
}

// A file without a mark is read in pieces, twice: whatever falls where one piece ends and
// the next begins must read as it would from one piece.
TEST_F(LineFileTest, ReadsAcrossTheEndsOfThePiecesAsFromOnePiece) {
  constexpr std::size_t piece = detail::kLineFilePieceBytes;
  // Lines up to just before the first piece ends, and the bytes that follow.
  const auto around_end = [](std::size_t before, const std::string& rest) {
    std::string bytes;
    for (int k = 0; bytes.size() + 3 <= piece - before; ++k) {
      bytes += std::to_string(k % 10) + "\r\n";
    }
    return bytes + std::string(piece - before - bytes.size(), 'x') + rest;
  };
  const std::string rows[] = {
      around_end(1, "\r\n2\r\n"),   // CR LF split between the pieces
      around_end(1, "\r2\r\n"),     // a lone CR as the last byte of a piece
      around_end(1, "\r"),          // and as the last byte of the file
      around_end(2, "\r\n\n\r\n"),  // empty lines across the end
      around_end(0, "\n2"),         // a piece that ends in the middle of a line
      // A line longer than two pieces.
      std::string(2 * piece + 5, '7') + "\r\n8\n" + std::string(piece, '9'),
  };
  for (const std::string& bytes : rows) {
    SCOPED_TRACE(testing::PrintToString(bytes.substr(piece - 8, 16)));
    ASSERT_TRUE(ReadFromBytes(bytes) == LinesByScanning(bytes));
  }
}

// NULs that pad the end are found and checked in every piece.
TEST_F(LineFileTest, ChecksTheNulsOfEveryPiece) {
  const std::size_t piece = detail::kLineFilePieceBytes;
  const std::string lines = std::string(piece - 4, '1') + "\r\n";
  EXPECT_EQ(ReadFromBytes(lines + std::string(piece + 9, '\0')),
            Lines{std::u16string(piece - 4, u'1')});
  const struct {
    std::string bytes;
    std::size_t nul;
  } rows[] = {
      {lines + std::string(piece, '\0') + "2", piece - 2},
      {lines + "2" + std::string(piece, '\0') + "3", piece - 1},
      {lines + "23" + '\0' + "4", piece},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.nul);
    EXPECT_EQ(ErrorMessage<EEncodingError>([&] { ReadFromBytes(row.bytes); }),
              u"Cannot read file \"" + Path("in.txt") + u"\". NUL character at byte " +
                  Widen(std::to_string(row.nul)));
  }
}

TEST_F(LineFileTest, ReadsHugeLinesAndHugeNumbersOfLines) {
  const std::size_t length = 100'000'000;
  Lines lines = ReadFromBytes(std::string(length, '7'));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].size(), length);
  EXPECT_EQ(lines[0].find_first_not_of(u'7'), lines[0].npos);

  lines = ReadFromBytes(std::string(2'000'000, '\n'));
  EXPECT_EQ(lines.size(), 2'000'000u);
  EXPECT_TRUE(lines.back().empty());
}

// A pipe and a file that the system makes up when it is read (/proc, /sys) tell no length
// when opened: their text is whatever they give until their end.
TEST_F(LineFileTest, ReadsPipesAndSystemFilesToTheirEnd) {
  ASSERT_EQ(::mkfifo(Native("pipe").c_str(), 0600), 0);
  // The pipe's writer, there before the reading starts.
  const int writer = ::open(Native("pipe").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(::write(writer, "1\r\n2\r\n", 6), 6);
  Lines lines;
  std::thread reading([&lines, this] { lines = ReadLineFile(Path("pipe")); });
  // The writer leaves once the reader has taken every byte: that is the pipe's end.
  int waiting = 1;
  for (int wait = 0; wait < 10'000 && waiting > 0; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(::ioctl(writer, FIONREAD, &waiting), 0);
  }
  ::close(writer);
  reading.join();
  EXPECT_EQ(lines, (Lines{u"1", u"2"}));

  const Lines status = ReadLineFile(u"/proc/self/status");
  ASSERT_FALSE(status.empty());
  EXPECT_TRUE(status.front().starts_with(u"Name:")) << testing::PrintToString(status.front());
}

// A device is no file of lines: /dev/zero and /dev/urandom never end, /dev/null is no text.
TEST_F(LineFileTest, DevicesAreRefused) {
  std::vector<std::string> devices = {"/dev/zero", "/dev/urandom", "/dev/null"};
  // A block device, under a name of our own, where one exists and we may make the name.
  std::error_code no_list;
  for (const auto& entry : std::filesystem::directory_iterator("/sys/dev/block", no_list)) {
    unsigned major_number = 0;
    unsigned minor_number = 0;
    if (std::sscanf(entry.path().filename().c_str(), "%u:%u", &major_number, &minor_number) == 2 &&
        ::mknod(Native("disk").c_str(), S_IFBLK | 0600, ::makedev(major_number, minor_number)) ==
            0) {
      devices.push_back(Native("disk"));
    }
    break;
  }
  for (const std::string& device : devices) {
    SCOPED_TRACE(device);
    EXPECT_EQ(ErrorMessage<EFOpenError>([&] { ReadLineFile(Widen(device)); }),
              OpenMessage(device, u"Not a regular file"));
  }
}

TEST_F(LineFileTest, WritesWindows1252WithCrLfAfterEveryLine) {
  const struct {
    Lines lines;
    std::string bytes;
  } rows[] = {
      {{}, ""},
      {{u"1", u"2.5"}, "1\r\n2.5\r\n"},
      {{u""}, "\r\n"},
      {{u"-0.125", u"40"}, "-0.125\r\n40\r\n"},
      {{u" 1\t", u"", u""}, " 1\t\r\n\r\n\r\n"},
      {{u"1,5", u"\u20AC\u00E9\u0081"}, "1,5\r\n\x80\xE9\x81\r\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.bytes));
    EXPECT_EQ(WrittenBytes(row.lines), row.bytes);
    EXPECT_EQ(Entries(), std::vector<std::string>{"out.txt"});
  }
}

// Text that Windows-1252 cannot hold whole would lose characters to "?": the whole file is
// written as UTF-8 with its mark instead, and reads back as the same lines.
TEST_F(LineFileTest, TextOutsideWindows1252IsWrittenAsUtf8WithItsMark) {
  // clang-format off
  const struct {
    Lines lines;
    std::string bytes;
  } rows[] = {
      {{u"1,5", u"\u20AC\u00E9", u"\u066B\U0001F600"},
       "\xEF\xBB\xBF" "1,5\r\n\xE2\x82\xAC\xC3\xA9\r\n\xD9\xAB\xF0\x9F\x98\x80\r\n"},
      // A C1 control that the code page leaves out, in the last line only.
      {{u"1", u"\u0080"}, "\xEF\xBB\xBF" "1\r\n\xC2\x80\r\n"},
      {{u"\u2028"}, "\xEF\xBB\xBF" "\xE2\x80\xA8\r\n"},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.bytes));
    EXPECT_EQ(WrittenBytes(row.lines), row.bytes);
    EXPECT_EQ(ReadLineFile(Path("out.txt")), row.lines);
  }
  // No encoding holds an unpaired surrogate; it becomes the replacement character.
  EXPECT_EQ(WrittenBytes({u"a\xD800"}),
            "\xEF\xBB\xBF"
            "a\xEF\xBF\xBD\r\n");
}

TEST_F(LineFileTest, WritingReplacesAnExistingFileWhole) {
  WriteBytes("out.txt", std::string(1000, 'x'));
  EXPECT_EQ(WrittenBytes({u"1", u"2"}), "1\r\n2\r\n");
  EXPECT_EQ(WrittenBytes({}), "");
  EXPECT_EQ(Entries(), std::vector<std::string>{"out.txt"});
}

TEST_F(LineFileTest, WrittenFileReadsBackAsTheSameLines) {
  const Lines lines = {u"0", u"-1.5E-7", u"", u" 2\t", u"\u00E9\u20AC"};
  WriteLineFile(Path("round.txt"), lines);
  EXPECT_EQ(ReadLineFile(Path("round.txt")), lines);
}

TEST_F(LineFileTest, NamesOutsideAsciiReachTheSystemAsUtf8) {
  const std::u16string name = Path("") + u"p\u00E8ak \U0001F600.txt";
  WriteLineFile(name, {u"1"});
  EXPECT_EQ(ReadBytes("p\xC3\xA8"
                      "ak \xF0\x9F\x98\x80.txt"),
            "1\r\n");
  EXPECT_EQ(ReadLineFile(name), Lines{u"1"});
  EXPECT_EQ(ErrorMessage<EFOpenError>([&] { ReadLineFile(name + u"x"); }),
            u"Cannot open file \"" + name + u"x\". No such file or directory");
}

TEST_F(LineFileTest, OpenErrorsNameTheAbsolutePathAndTheSystemsReason) {
  WriteBytes("file.txt", "1\r\n");
  std::filesystem::create_directory(Folder() / "folder");
  const struct {
    std::u16string path;
    std::u16string message;
  } rows[] = {
      {Path("missing.txt"), OpenMessage(Native("missing.txt"), u"No such file or directory")},
      {Path("folder"), OpenMessage(Native("folder"), u"Is a directory")},
      {Path("file.txt/x"), OpenMessage(Native("file.txt/x"), u"Not a directory")},
      {Path("folder/../missing.txt"),
       OpenMessage(Native("missing.txt"), u"No such file or directory")},
      {u"", u"Cannot open file \"\". No such file or directory"},
      // A NUL would cut the name short and open file.txt.
      {Path("file.txt") + u'\0' + u"x",
       OpenMessage(Native("file.txt") + "\0x"s, u"Invalid argument")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.path));
    EXPECT_EQ(ErrorMessage<EFOpenError>([&] { ReadLineFile(row.path); }), row.message);
  }
}

TEST_F(LineFileTest, RelativePathsAreShownAbsolute) {
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(Folder());
  const std::u16string message =
      ErrorMessage<EFOpenError>([] { ReadLineFile(u"./sub/../missing.txt"); });
  const std::u16string create_message =
      ErrorMessage<EFCreateError>([] { WriteLineFile(u"sub/out.txt", {}); });
  WriteLineFile(u"relative.txt", {u"1"});
  std::filesystem::current_path(previous);

  EXPECT_EQ(message, OpenMessage(Native("missing.txt"), u"No such file or directory"));
  EXPECT_EQ(create_message, CreateMessage(Native("sub/out.txt"), u"No such file or directory"));
  EXPECT_EQ(ReadBytes("relative.txt"), "1\r\n");
}

TEST_F(LineFileTest, CreateErrorsLeaveEverythingAsItWas) {
  std::filesystem::create_directory(Folder() / "folder");
  WriteBytes("file.txt", "old");
  const struct {
    std::u16string path;
    std::u16string message;
  } rows[] = {
      {Path("missing/out.txt"),
       CreateMessage(Native("missing/out.txt"), u"No such file or directory")},
      {Path("folder"), CreateMessage(Native("folder"), u"Is a directory")},
      {Path("file.txt/out.txt"), CreateMessage(Native("file.txt/out.txt"), u"Not a directory")},
      {u"", u"Cannot create file \"\". No such file or directory"},
      {Path("out.txt") + u'\0', CreateMessage(Native("out.txt") + '\0', u"Invalid argument")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.path));
    EXPECT_EQ(ErrorMessage<EFCreateError>([&] { WriteLineFile(row.path, {u"1"}); }), row.message);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"file.txt", "folder"}));
    EXPECT_EQ(ReadBytes("file.txt"), "old");
    EXPECT_TRUE(std::filesystem::is_empty(Folder() / "folder"));
  }
}

TEST_F(LineFileTest, LocksLetReadersShareAndKeepWritersOut) {
  WriteBytes("held.txt", "old\r\n");
  const std::u16string locked_reason = u"Resource temporarily unavailable";
  {
    const HeldLock reader(Native("held.txt"), LOCK_SH);
    EXPECT_EQ(ReadLineFile(Path("held.txt")), Lines{u"old"});
    EXPECT_EQ(ErrorMessage<EFCreateError>([&] { WriteLineFile(Path("held.txt"), {u"new"}); }),
              CreateMessage(Native("held.txt"), locked_reason.c_str()));
  }
  {
    const HeldLock writer(Native("held.txt"), LOCK_EX);
    EXPECT_EQ(ErrorMessage<EFOpenError>([&] { ReadLineFile(Path("held.txt")); }),
              OpenMessage(Native("held.txt"), locked_reason.c_str()));
    EXPECT_EQ(ErrorMessage<EFCreateError>([&] { WriteLineFile(Path("held.txt"), {u"new"}); }),
              CreateMessage(Native("held.txt"), locked_reason.c_str()));
  }
  EXPECT_EQ(ReadBytes("held.txt"), "old\r\n");
  EXPECT_EQ(Entries(), std::vector<std::string>{"held.txt"});
}

TEST_F(LineFileTest, AFullDiskIsAWriteError) {
  EXPECT_EQ(ErrorMessage<EWriteError>([] { WriteLineFile(u"/dev/full", {u"1"}); }),
            u"Stream write error");
}

// Lets the process write files of at most kFileSizeLimit bytes, or as many as asked, as a
// full disk would.
class FileSizeLimitTest : public LineFileTest {
 protected:
  static constexpr rlim_t kFileSizeLimit = 64;

  void LimitFileSize(rlim_t bytes = kFileSizeLimit) {
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous_limit_), 0);
    previous_handler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = previous_limit_;
    limit.rlim_cur = bytes;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    limited_ = true;
  }

  void RestoreFileSize() {
    if (!limited_) return;
    ::setrlimit(RLIMIT_FSIZE, &previous_limit_);
    ::signal(SIGXFSZ, previous_handler_);
    limited_ = false;
  }

  void TearDown() override {
    RestoreFileSize();
    LineFileTest::TearDown();
  }

 private:
  rlimit previous_limit_{};
  sighandler_t previous_handler_ = SIG_DFL;
  bool limited_ = false;
};

TEST_F(FileSizeLimitTest, AFailedWriteLeavesTheOldFileByteForByte) {
  const std::string old_bytes = "1\r\n2\r\n\xE9\0old"s;
  WriteBytes("out.txt", old_bytes);
  ::chmod(Native("out.txt").c_str(), 0640);
  const Lines too_long(100, u"123456789");

  LimitFileSize();
  const std::u16string replaced =
      ErrorMessage<EWriteError>([&] { WriteLineFile(Path("out.txt"), too_long); });
  const std::u16string created =
      ErrorMessage<EWriteError>([&] { WriteLineFile(Path("new.txt"), too_long); });
  RestoreFileSize();

  EXPECT_EQ(replaced, u"Stream write error");
  EXPECT_EQ(created, u"Stream write error");
  EXPECT_EQ(ReadBytes("out.txt"), old_bytes);
  EXPECT_EQ(std::filesystem::status(Native("out.txt")).permissions(),
            static_cast<std::filesystem::perms>(0640));
  EXPECT_EQ(Entries(), std::vector<std::string>{"out.txt"});
}

// The export writes its text a buffer at a time: a failure after some of them have reached
// the new file must still leave the old one whole, and nothing beside it.
TEST_F(FileSizeLimitTest, AnExportThatFailsAfterSeveralBuffersLeavesTheOldFileWhole) {
  const std::string old_bytes = "1\r\n2\r\nold\r\n";
  WriteBytes("out.txt", old_bytes);
  const std::vector<double> process = ProcessOfSeveralBuffers();
  const std::vector<std::size_t> pieces = ExportedPieceSizes(process);
  ASSERT_GE(pieces.size(), 4u);

  // Midway through the third buffer, the first two written whole.
  LimitFileSize(pieces[0] + pieces[1] + pieces[2] / 2);
  const std::u16string message = ErrorMessage<EWriteError>(
      [&] { ExportLoadingProcess(Path("out.txt"), process, ValueMarks{}); });
  RestoreFileSize();

  EXPECT_EQ(message, u"Stream write error");
  EXPECT_EQ(ReadBytes("out.txt"), old_bytes);
  EXPECT_EQ(Entries(), std::vector<std::string>{"out.txt"});
}

// A file with a second name is written in place; a full disk must still cost it nothing.
TEST_F(FileSizeLimitTest, AFailedWriteInPlaceLeavesEveryNameOfTheFileByteForByte) {
  const std::string old_bytes = "1\r\n2\r\n\xE9\0old"s;
  WriteBytes("out.txt", old_bytes);
  ASSERT_EQ(::link(Native("out.txt").c_str(), Native("other name.txt").c_str()), 0);

  LimitFileSize();
  const std::u16string message =
      ErrorMessage<EWriteError>([&] { WriteLineFile(Path("out.txt"), Lines(100, u"123")); });
  RestoreFileSize();

  EXPECT_EQ(message, u"Stream write error");
  EXPECT_EQ(ReadBytes("out.txt"), old_bytes);
  EXPECT_EQ(ReadBytes("other name.txt"), old_bytes);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"other name.txt", "out.txt"}));
}

TEST_F(LineFileTest, ReplacingKeepsPermissionsAndSymbolicLinks) {
  WriteBytes("data.txt", "old");
  ::chmod(Native("data.txt").c_str(), 0604);
  std::filesystem::create_symlink("data.txt", Folder() / "link.txt");
  std::filesystem::create_symlink("later.txt", Folder() / "dangling.txt");

  WriteLineFile(Path("link.txt"), {u"1"});
  WriteLineFile(Path("dangling.txt"), {u"2"});

  EXPECT_EQ(ReadBytes("data.txt"), "1\r\n");
  EXPECT_EQ(std::filesystem::status(Native("data.txt")).permissions(),
            static_cast<std::filesystem::perms>(0604));
  EXPECT_TRUE(std::filesystem::is_symlink(Folder() / "link.txt"));
  EXPECT_EQ(ReadBytes("later.txt"), "2\r\n");
  EXPECT_TRUE(std::filesystem::is_symlink(Folder() / "dangling.txt"));
  EXPECT_EQ(Entries(),
            (std::vector<std::string>{"dangling.txt", "data.txt", "later.txt", "link.txt"}));
}

// An access list that lets a colleague write the file is part of its permissions: the
// replacement must not take it away.
TEST_F(LineFileTest, ReplacingKeepsTheAccessListOfTheFile) {
  WriteBytes("shared.txt", "old");
  // The system's form of "user::rw-, user:nobody:rw-, group::r--, mask::rw-, other::r--".
  const auto entry = [](std::uint16_t tag, std::uint16_t permissions, std::uint32_t id) {
    std::string bytes(8, '\0');
    std::memcpy(bytes.data(), &tag, 2);
    std::memcpy(bytes.data() + 2, &permissions, 2);
    std::memcpy(bytes.data() + 4, &id, 4);
    return bytes;
  };
  constexpr std::uint32_t kNoId = 0xFFFFFFFF;
  const std::string access_list = "\x02\0\0\0"s + entry(0x01, 6, kNoId) + entry(0x02, 6, 65534) +
                                  entry(0x04, 4, kNoId) + entry(0x10, 6, kNoId) +
                                  entry(0x20, 4, kNoId);
  const std::string native = Native("shared.txt");
  if (::setxattr(native.c_str(), "system.posix_acl_access", access_list.data(), access_list.size(),
                 0) != 0) {
    GTEST_SKIP() << "no access lists on this file system";
  }

  const auto access_list_of_file = [&native] {
    std::string kept(256, '\0');
    const ssize_t length =
        ::getxattr(native.c_str(), "system.posix_acl_access", kept.data(), kept.size());
    kept.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
    return kept;
  };

  WriteLineFile(Path("shared.txt"), {u"1"});

  EXPECT_EQ(access_list_of_file(), access_list);
  EXPECT_EQ(ReadBytes("shared.txt"), "1\r\n");

  // A folder that hands its access list to every new file must not give one to a file
  // that had none: it could let others read what they could not before.
  ASSERT_EQ(::setxattr(Folder().c_str(), "system.posix_acl_default", access_list.data(),
                       access_list.size(), 0),
            0);
  ASSERT_EQ(::removexattr(native.c_str(), "system.posix_acl_access"), 0);
  WriteLineFile(Path("shared.txt"), {u"2"});
  EXPECT_EQ(access_list_of_file(), "");
  EXPECT_EQ(ReadBytes("shared.txt"), "2\r\n");
}

// Attributes that other programs keep on the file, such as where its data came from.
TEST_F(LineFileTest, ReplacingKeepsTheOtherExtendedAttributesOfTheFile) {
  WriteBytes("tagged.txt", "old");
  const std::string native = Native("tagged.txt");
  if (::setxattr(native.c_str(), "user.origin", "rig 3", 5, 0) != 0) {
    GTEST_SKIP() << "no user attributes on this file system";
  }

  WriteLineFile(Path("tagged.txt"), {u"1"});

  char kept[16] = {};
  EXPECT_EQ(::getxattr(native.c_str(), "user.origin", kept, sizeof kept), 5);
  EXPECT_STREQ(kept, "rig 3");
  EXPECT_EQ(ReadBytes("tagged.txt"), "1\r\n");
}

// Writing a file that has a second name writes it under both, as writing in place would.
TEST_F(LineFileTest, ReplacingWritesThroughEveryNameOfTheFile) {
  WriteBytes("data.txt", "old");
  ASSERT_EQ(::link(Native("data.txt").c_str(), Native("other name.txt").c_str()), 0);

  WriteLineFile(Path("data.txt"), {u"1"});

  EXPECT_EQ(ReadBytes("data.txt"), "1\r\n");
  EXPECT_EQ(ReadBytes("other name.txt"), "1\r\n");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"data.txt", "other name.txt"}));
}

// Which refusals to replace a file leave writing it in place as the way to finish. A file
// is a mount point (EBUSY) only where a test may mount, so the decision is shown here.
TEST(ReplacementRefusalTest, FallsBackToWritingInPlaceOnlyWhereTheSystemForbidsReplacing) {
  const struct {
    int refusal;
    bool in_place;
  } rows[] = {
      {EACCES, true},  // the folder takes no new file
      {EPERM, true},   // a sticky folder keeps others from replacing the file
      {EBUSY, true},   // the file is a mount point, as a bind-mounted file is
      {EXDEV, true},   // the file system does not rename the file
      // Emptying the file first could cost its old content as well.
      {ENOSPC, false},
      {EDQUOT, false},
      {EIO, false},
      {ENOENT, false},  // the folder went away meanwhile
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::strerror(row.refusal));
    EXPECT_EQ(detail::FallsBackToWritingInPlace(row.refusal), row.in_place);
  }
}

TEST_F(LineFileTest, NewFilesTakeTheUmask) {
  const mode_t previous = ::umask(027);
  WriteLineFile(Path("new.txt"), {u"1"});
  ::umask(previous);
  EXPECT_EQ(std::filesystem::status(Native("new.txt")).permissions(),
            static_cast<std::filesystem::perms>(0640));
}

class UnprivilegedLineFileTest : public LineFileTest {
 protected:
  // Hands the file over to the user that the check runs as.
  void GiveAway(const std::string& name) {
    if (::geteuid() == 0) {
      ASSERT_EQ(::chown(Native(name).c_str(), kNobody, kNobody), 0);
    }
  }
};

// The replacement must not let a rename do what the file's permissions forbid.
TEST_F(UnprivilegedLineFileTest, AReadOnlyFileStaysAsItWas) {
  WriteBytes("readonly.txt", "old");
  GiveAway("readonly.txt");
  ASSERT_EQ(::chmod(Native("readonly.txt").c_str(), 0444), 0);
  ASSERT_EQ(::chmod(Folder().c_str(), 0777), 0);
  ExpectAsNobody([this] {
    return ErrorMessage<EFCreateError>([this] { WriteLineFile(Path("readonly.txt"), {u"1"}); }) ==
           CreateMessage(Native("readonly.txt"), u"Permission denied");
  });
  EXPECT_EQ(ReadBytes("readonly.txt"), "old");
  EXPECT_EQ(Entries(), std::vector<std::string>{"readonly.txt"});
}

// A folder that takes no new file still lets its files be overwritten, as they could be
// before replacement by renaming.
TEST_F(UnprivilegedLineFileTest, WritesInPlaceWhenTheFolderTakesNoNewFile) {
  WriteBytes("out.txt", "old");
  GiveAway("out.txt");
  ASSERT_EQ(::chmod(Folder().c_str(), 0555), 0);
  ExpectAsNobody([this] {
    WriteLineFile(Path("out.txt"), {u"1"});
    return true;
  });
  EXPECT_EQ(ReadBytes("out.txt"), "1\r\n");
}

// A folder open to everyone whose sticky bit keeps them from replacing another user's
// file still lets them write the file itself, as its permissions allow.
TEST_F(UnprivilegedLineFileTest, WritesInPlaceWhenTheFolderForbidsReplacingTheFile) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs a file of another user";
  WriteBytes("shared.txt", "old");
  ASSERT_EQ(::chmod(Native("shared.txt").c_str(), 0666), 0);
  ASSERT_EQ(::chmod(Folder().c_str(), 01777), 0);
  ExpectAsNobody([this] {
    WriteLineFile(Path("shared.txt"), {u"1"});
    return true;
  });
  EXPECT_EQ(ReadBytes("shared.txt"), "1\r\n");
  EXPECT_EQ(std::filesystem::status(Native("shared.txt")).permissions(),
            static_cast<std::filesystem::perms>(0666));
  EXPECT_EQ(Entries(), std::vector<std::string>{"shared.txt"});
}

TEST_F(LineFileTest, PipesAreWrittenInPlaceAndNeverHoldUpTheCaller) {
  ASSERT_EQ(::mkfifo(Native("pipe").c_str(), 0600), 0);
  EXPECT_EQ(ReadLineFile(Path("pipe")), Lines{});
  EXPECT_EQ(ErrorMessage<EFCreateError>([&] { WriteLineFile(Path("pipe"), {u"1"}); }),
            CreateMessage(Native("pipe"), u"No such device or address"));

  const int reader = ::open(Native("pipe").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  WriteLineFile(Path("pipe"), {u"1", u"2"});
  char buffer[16] = {};
  EXPECT_EQ(::read(reader, buffer, sizeof buffer), 6);
  EXPECT_EQ(std::string(buffer), "1\r\n2\r\n");

  // A reader that goes away early fails the write instead of ending the program.
  std::thread early_leaver([reader] {
    // Waits for the first byte, so that the writer has opened the pipe before we leave.
    char byte;
    for (int wait = 0; wait < 10'000 && ::read(reader, &byte, 1) != 1; ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::close(reader);
  });
  const Lines many(1'000'000, u"1");
  EXPECT_EQ(ErrorMessage<EWriteError>([&] { WriteLineFile(Path("pipe"), many); }),
            u"Stream write error");
  early_leaver.join();
}

}  // namespace
}  // namespace model
