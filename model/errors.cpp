#include "model/errors.h"

#include <utility>

#include "model/unicode.h"

namespace model {

Exception::Exception(std::u16string message)
    : message_(std::move(message)), utf8_message_(ToUtf8(message_)) {}

EOverflow::EOverflow() : EMathError(u"Floating point overflow") {}

EZeroDivide::EZeroDivide() : EMathError(u"Floating point division by zero") {}

EInvalidOp::EInvalidOp() : EMathError(u"Invalid floating point operation") {}

EUnderflow::EUnderflow() : EMathError(u"Floating point underflow") {}

EWriteError::EWriteError() : EFilerError(u"Stream write error") {}

}  // namespace model
