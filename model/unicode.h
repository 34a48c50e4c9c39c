#pragma once

// Conversions between the UTF-16 text of the model and UTF-8.

#include <string>
#include <string_view>

namespace model {

// Encodes UTF-16 as UTF-8. An unpaired surrogate becomes U+FFFD.
[[nodiscard]] std::string ToUtf8(std::u16string_view text);

}  // namespace model
