#pragma once

// The marks of number texts come from the user's regional settings: the window takes them
// when it is built, and again whenever the settings change.

#include <QString>

#include "model/value_marks.h"

class QLocale;

namespace shell {

// The locale's decimal symbol and digit-grouping symbol as the marks; a symbol that is not
// a single character gives "." and "," instead.
[[nodiscard]] model::ValueMarks RegionalMarks(const QLocale& locale);

namespace detail {

// The symbol's one character, or the fallback when it has none or more than one.
[[nodiscard]] char16_t MarkOrFallback(const QString& symbol, char16_t fallback) noexcept;

}  // namespace detail
}  // namespace shell
