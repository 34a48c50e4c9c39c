#include "model/file_messages.h"

#include <string.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "model/errors.h"
#include "model/text_codec.h"
#include "model/unicode.h"

namespace model::detail {
namespace {

// Text that the system hands over as UTF-8 without promising it.
std::u16string DecodeSystemText(std::string_view bytes) {
  std::u16string text(bytes.size(), u'\0');
  text.resize(DecodeUtf8Replacing(bytes, text.data()));
  return text;
}

std::u16string AbsolutePathText(std::u16string_view path) {
  // An empty name is shown as it was given: the current folder was not what the user named.
  if (path.empty()) return {};
  std::filesystem::path absolute(ToUtf8(path));
  if (absolute.is_relative()) {
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    if (!error) absolute = current / absolute;
  }
  return DecodeSystemText(absolute.lexically_normal().native());
}

bool IsTrimmedFromReason(char16_t c) { return c <= u' ' || (c >= 0x7F && c <= 0x9F) || c == u'.'; }

std::u16string SystemReason(int error) {
  char buffer[256];
  std::u16string reason = DecodeSystemText(::strerror_r(error, buffer, sizeof buffer));
  while (!reason.empty() && IsTrimmedFromReason(reason.back())) reason.pop_back();
  return reason;
}

std::u16string FileMessage(std::u16string_view action, std::u16string_view path,
                           std::u16string_view detail) {
  std::u16string message = u"Cannot ";
  message += action;
  message += u" file \"";
  message += AbsolutePathText(path);
  message += u"\". ";
  message += detail;
  return message;
}

}  // namespace

[[noreturn]] void RaiseOpenError(std::u16string_view path, int error) {
  throw EFOpenError(FileMessage(u"open", path, SystemReason(error)));
}

[[noreturn]] void RaiseOpenError(std::u16string_view path, std::u16string_view reason) {
  throw EFOpenError(FileMessage(u"open", path, reason));
}

[[noreturn]] void RaiseCreateError(std::u16string_view path, int error) {
  throw EFCreateError(FileMessage(u"create", path, SystemReason(error)));
}

[[noreturn]] void RaiseEncodingError(std::u16string_view path, std::u16string_view fault,
                                     std::size_t offset) {
  const std::string digits = std::to_string(offset);
  std::u16string detail(fault);
  detail += u" at byte ";
  detail.append(digits.begin(), digits.end());
  throw EEncodingError(FileMessage(u"read", path, detail));
}

}  // namespace model::detail
