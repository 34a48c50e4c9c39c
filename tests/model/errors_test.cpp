#include "model/errors.h"

#include <exception>
#include <functional>
#include <type_traits>

#include <gtest/gtest.h>

namespace model {
namespace {

// What each class of handler catches: the commands catch Exception around the steps they
// guard, the export lets file errors (EStreamError) through to the error box, and an
// arithmetic fault is an EMathError.
TEST(ErrorsTest, EachErrorIsCaughtByTheClassesItBelongsTo) {
  const struct {
    const char* name;
    std::function<void()> raise;
    bool stream;
    bool fileStream;
    bool math;
  } rows[] = {
      {"EConvertError", [] { throw EConvertError(u"'x' is not a valid floating point value"); },
       false, false, false},
      {"EOverflow", [] { throw EOverflow(); }, false, false, true},
      {"EZeroDivide", [] { throw EZeroDivide(); }, false, false, true},
      {"EInvalidOp", [] { throw EInvalidOp(); }, false, false, true},
      {"EUnderflow", [] { throw EUnderflow(); }, false, false, true},
      {"EFOpenError", [] { throw EFOpenError(u"Cannot open file"); }, true, true, false},
      {"EFCreateError", [] { throw EFCreateError(u"Cannot create file"); }, true, true, false},
      {"EWriteError", [] { throw EWriteError(); }, true, false, false},
      {"EEncodingError", [] { throw EEncodingError(u"Cannot read file"); }, true, false, false},
  };
  const auto caught = [](const std::function<void()>& raise, auto asClass) {
    using Class = typename decltype(asClass)::type;
    try {
      raise();
    } catch (const Class&) {
      return true;
    } catch (...) {
    }
    return false;
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(caught(row.raise, std::type_identity<std::exception>{}));
    EXPECT_TRUE(caught(row.raise, std::type_identity<Exception>{}));
    EXPECT_EQ(caught(row.raise, std::type_identity<EStreamError>{}), row.stream);
    EXPECT_EQ(caught(row.raise, std::type_identity<EFileStreamError>{}), row.fileStream);
    EXPECT_EQ(caught(row.raise, std::type_identity<EMathError>{}), row.math);
    EXPECT_EQ(caught(row.raise, std::type_identity<EExternal>{}), row.math);
  }
}

TEST(ErrorsTest, FixedMessages) {
  EXPECT_EQ(EOverflow().Message(), u"Floating point overflow");
  EXPECT_EQ(EZeroDivide().Message(), u"Floating point division by zero");
  EXPECT_EQ(EInvalidOp().Message(), u"Invalid floating point operation");
  EXPECT_EQ(EUnderflow().Message(), u"Floating point underflow");
  EXPECT_EQ(EWriteError().Message(), u"Stream write error");
}

TEST(ErrorsTest, WhatGivesTheMessageInUtf8) {
  // An unpaired surrogate cannot be encoded and becomes U+FFFD.
  const EConvertError error(u"'\u00e9\U0001F600\xD800' is not a valid floating point value");
  EXPECT_STREQ(error.what(),
               "'\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBD' is not a valid floating point value");
}

}  // namespace
}  // namespace model
