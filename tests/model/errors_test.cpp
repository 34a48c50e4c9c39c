#include "model/errors.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace model {
namespace {

TEST(ErrorsTest, ClassesDeriveAsCallersCatchThem) {
  static_assert(std::is_base_of_v<Exception, EConvertError>);
  static_assert(std::is_base_of_v<EExternal, EMathError>);
  static_assert(std::is_base_of_v<Exception, EExternal>);
  static_assert(std::is_base_of_v<EMathError, EOverflow>);
  static_assert(std::is_base_of_v<EMathError, EZeroDivide>);
  static_assert(std::is_base_of_v<EMathError, EInvalidOp>);
  static_assert(std::is_base_of_v<EMathError, EUnderflow>);
  static_assert(std::is_base_of_v<EFileStreamError, EFOpenError>);
  static_assert(std::is_base_of_v<EFileStreamError, EFCreateError>);
  static_assert(std::is_base_of_v<EStreamError, EFileStreamError>);
  static_assert(std::is_base_of_v<EFilerError, EWriteError>);
  static_assert(std::is_base_of_v<EStreamError, EFilerError>);
  static_assert(std::is_base_of_v<EStreamError, EEncodingError>);
  static_assert(std::is_base_of_v<Exception, EStreamError>);
  static_assert(std::is_base_of_v<std::exception, Exception>);
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
