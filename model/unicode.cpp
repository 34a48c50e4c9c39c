#include "model/unicode.h"

#include "model/text_codec.h"

namespace model {

std::string ToUtf8(std::u16string_view text) {
  std::string out(3 * text.size(), '\0');
  out.resize(detail::EncodeUtf8(text, out.data()));
  return out;
}

}  // namespace model
