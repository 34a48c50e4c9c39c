#include "model/text_codec.h"

#include <string>

#include <gtest/gtest.h>

namespace model::detail {
namespace {

using namespace std::string_literals;

TEST(TextCodecTest, DetectsTheMarkOnlyWhenTheFileHoldsAllOfIt) {
  const struct {
    std::string bytes;
    TextEncoding encoding;
    std::size_t markLength;
  } rows[] = {
      {"", TextEncoding::Windows1252, 0},
      {"\xFF", TextEncoding::Windows1252, 0},
      {"\xFF\xFE", TextEncoding::Utf16LittleEndian, 2},
      // The mark of UTF-32 little-endian starts with that of UTF-16 little-endian.
      {"\xFF\xFE\0\0"s, TextEncoding::Utf16LittleEndian, 2},
      {"\xFE\xFF\0"s, TextEncoding::Utf16BigEndian, 2},
      {"\xEF\xBB", TextEncoding::Windows1252, 0},
      {"\xEF\xBB\xBF", TextEncoding::Utf8, 3},
      {"1\xEF\xBB\xBF", TextEncoding::Windows1252, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.bytes));
    const DetectedEncoding detected = DetectEncoding(row.bytes);
    EXPECT_EQ(detected.encoding, row.encoding);
    EXPECT_EQ(detected.markLength, row.markLength);
  }
}

TEST(TextCodecTest, Utf16TakesUnitsUncheckedInEitherByteOrder) {
  char16_t out[4] = {};
  // A lone surrogate passes; the odd last byte is dropped.
  const std::string bytes = "1\0\x00\xD8\x7F"s;
  ASSERT_EQ(DecodeUtf16(bytes, false, out), 2u);
  EXPECT_EQ(std::u16string(out, 2), u"1\xD800");
  ASSERT_EQ(DecodeUtf16(bytes, true, out), 2u);
  EXPECT_EQ(std::u16string(out, 2), u"\x3100\x00D8");
}

TEST(TextCodecTest, Utf8DecodesWellFormedText) {
  const struct {
    std::string bytes;
    std::u16string text;
  } rows[] = {
      {"", u""},
      {"1.5\r\n", u"1.5\r\n"},
      {"\0"s, u"\0"s},
      {"\xC2\x80\xDF\xBF", u"\u0080\u07FF"},
      {"\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF", u"\u0800\uD7FF\uE000\uFFFF"},
      {"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", u"\U00010000\U0010FFFF"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.bytes));
    std::u16string out(row.bytes.size(), u'\0');
    const Utf8Decoding decoding = DecodeUtf8(row.bytes, out.data());
    ASSERT_TRUE(decoding.valid);
    EXPECT_EQ(out.substr(0, decoding.count), row.text);
  }
}

TEST(TextCodecTest, Utf8FindsTheStartOfTheFirstIllFormedSequence) {
  // clang-format off
  const struct {
    std::string bytes;
    std::size_t offset;
  } rows[] = {
      {"1\xFF", 1},
      {"12\x80", 2},               // a continuation byte without a lead
      {"\xC0\x80", 0},             // overlong NUL
      {"\xC1\xBF", 0},             // overlong
      {"\xE0\x9F\xBF", 0},         // overlong three-byte form
      {"\xF0\x8F\xBF\xBF", 0},     // overlong four-byte form
      {"a\xED\xA0\x80", 1},        // a surrogate
      {"\xF4\x90\x80\x80", 0},     // above U+10FFFF
      {"\xF5\x80\x80\x80", 0},
      {"\xE2\x82" "1", 0},         // a continuation byte missing
      {"1\xE2\x82", 1},            // cut off by the end
      {"\xC3\xA9\xF0\x9F\x98", 2},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.bytes));
    std::u16string out(row.bytes.size(), u'\0');
    const Utf8Decoding decoding = DecodeUtf8(row.bytes, out.data());
    EXPECT_FALSE(decoding.valid);
    EXPECT_EQ(decoding.count, row.offset);
  }
}

TEST(TextCodecTest, Utf8ReplacingPutsOneReplacementPerStrayByte) {
  const std::string bytes = "a\xFF\xC3\xA9\xE2\x82";
  std::u16string out(bytes.size(), u'\0');
  out.resize(DecodeUtf8Replacing(bytes, out.data()));
  EXPECT_EQ(out, u"a\uFFFD\u00E9\uFFFD\uFFFD");
}

TEST(TextCodecTest, Windows1252RoundTripsEveryByte) {
  std::string bytes;
  for (int byte = 0; byte < 256; ++byte) bytes += static_cast<char>(byte);
  std::u16string text(bytes.size(), u'\0');
  DecodeWindows1252(bytes, text.data());
  EXPECT_EQ(text[0x80], u'\u20AC');
  EXPECT_EQ(text[0x9F], u'\u0178');
  EXPECT_EQ(text[0xE9], u'\u00E9');
  // The unassigned bytes stand for the C1 controls of the same number.
  for (const int unassigned : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    EXPECT_EQ(text[static_cast<std::size_t>(unassigned)], static_cast<char16_t>(unassigned));
  }
  std::string encoded(text.size(), '\0');
  encoded.resize(EncodeWindows1252(text, encoded.data()));
  EXPECT_EQ(encoded, bytes);
}

TEST(TextCodecTest, Windows1252WritesAQuestionMarkForEachCharacterItCannotHold) {
  // clang-format off
  const struct {
    std::u16string text;
    std::string bytes;
  } rows[] = {
      {u"1,5\t", "1,5\t"},
      {u"\u20AC\u00E9\u00FF\u0081", "\x80\xE9\xFF\x81"},
      {u"\u0080\u0100\u066B\u2028", "????"},
      // A surrogate pair is one character; a lone surrogate is one too.
      {u"\U0001F600a", "?a"},
      {u"\xD800" u"a\xDC00", "?a?"},
      {u"a\xD800", "a?"},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.bytes));
    std::string out(row.text.size(), '\0');
    out.resize(EncodeWindows1252(row.text, out.data()));
    EXPECT_EQ(out, row.bytes);
  }
}

TEST(TextCodecTest, Windows1252HoldsATextOnlyWhenItNeedsNoQuestionMark) {
  // clang-format off
  const struct {
    std::u16string text;
    bool holds;
  } rows[] = {
      {u"", true},
      {u"1,5?\t", true},
      {u"\u20AC\u00E9\u00FF\u0081\u0178", true},
      {u"1\u066B" u"5", false},
      {u"\u0080", false},
      {u"\U0001F600", false},
      {u"a\xDC00", false},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.text));
    EXPECT_EQ(HoldsInWindows1252(row.text), row.holds);
  }
}

TEST(TextCodecTest, Utf8EncodesEveryCharacterAndReplacesLoneSurrogates) {
  // clang-format off
  const struct {
    std::u16string text;
    std::string bytes;
  } rows[] = {
      {u"1.5\r\n", "1.5\r\n"},
      {u"\u0080\u07FF\u0800\u066B\uFFFF", "\xC2\x80\xDF\xBF\xE0\xA0\x80\xD9\xAB\xEF\xBF\xBF"},
      {u"\U00010000\U0010FFFF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
      {u"\xD800" u"a\xDC00\xD83D", "\xEF\xBF\xBD" "a\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.bytes));
    std::string out(3 * row.text.size(), '\0');
    out.resize(EncodeUtf8(row.text, out.data()));
    EXPECT_EQ(out, row.bytes);
    std::u16string decoded(out.size(), u'\0');
    const Utf8Decoding decoding = DecodeUtf8(out, decoded.data());
    EXPECT_TRUE(decoding.valid);
  }
}

}  // namespace
}  // namespace model::detail
