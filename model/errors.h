#pragma once

// The error classes of the loading-process model. Every failure the tool reports is an
// object of a class derived from Exception and carries a human-readable message, stored
// without a final full stop. Messages are UTF-16, as the window shows them; what() gives
// the same text in UTF-8.

#include <exception>
#include <string>

namespace model {

class Exception : public std::exception {
 public:
  explicit Exception(std::u16string message);

  const std::u16string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return utf8_message_.c_str(); }

 private:
  std::u16string message_;
  std::string utf8_message_;
};

// A text that is not a number.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// Arithmetic faults. Each class has its one fixed message.
class EExternal : public Exception {
 public:
  using Exception::Exception;
};

class EMathError : public EExternal {
 public:
  using EExternal::EExternal;
};

class EOverflow : public EMathError {
 public:
  EOverflow();
};

class EZeroDivide : public EMathError {
 public:
  EZeroDivide();
};

class EInvalidOp : public EMathError {
 public:
  EInvalidOp();
};

// Never raised: underflow is not a fault in this tool. Kept so that the hierarchy of
// arithmetic faults is complete for anyone who catches by class.
class EUnderflow : public EMathError {
 public:
  EUnderflow();
};

// File failures.
class EStreamError : public Exception {
 public:
  using Exception::Exception;
};

class EFileStreamError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

class EFOpenError : public EFileStreamError {
 public:
  using EFileStreamError::EFileStreamError;
};

class EFCreateError : public EFileStreamError {
 public:
  using EFileStreamError::EFileStreamError;
};

class EFilerError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

class EWriteError : public EFilerError {
 public:
  EWriteError();
};

// A file whose bytes cannot be decoded as the text its encoding promises.
class EEncodingError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

}  // namespace model
