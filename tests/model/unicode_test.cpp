#include "model/unicode.h"

#include <string>

#include <gtest/gtest.h>

namespace model {
namespace {

TEST(UnicodeTest, ToUtf8EncodesEveryLengthAndReplacesUnpairedSurrogates) {
  // clang-format off
  const struct {
    const char* name;
    std::u16string text;
    std::string utf8;
  } rows[] = {
      {"empty", u"", ""},
      {"ASCII, NUL included", std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
      {"two bytes", u"\u00e9\u07ff", "\xC3\xA9\xDF\xBF"},
      {"three bytes", u"\u0800\u066b\uffff", "\xE0\xA0\x80\xD9\xAB\xEF\xBF\xBF"},
      {"a surrogate pair is one character of four bytes", u"\U0001F600\U0010FFFF",
       "\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"},
      {"a high surrogate at the end", u"1\xD800", "1\xEF\xBF\xBD"},
      {"a high surrogate before a character that is no low one", u"\xD83D" u"1",
       "\xEF\xBF\xBD" "1"},
      {"a low surrogate alone", u"\xDC00x", "\xEF\xBF\xBDx"},
      // Two high surrogates: the first is unpaired, the second pairs with the low one.
      {"a high surrogate before a pair", u"\xD83D\xD83D\xDE00",
       "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ToUtf8(row.text), row.utf8);
  }
}

}  // namespace
}  // namespace model
