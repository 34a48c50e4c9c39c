#pragma once

// DecimalMark and GroupingMark come from the user's regional settings: taken before the
// window is built, and again whenever the settings change.

#include <QString>

class QLocale;

namespace shell {

// Sets DecimalMark to the locale's decimal symbol and GroupingMark to its digit-grouping
// symbol; a symbol that is not a single character gives "." and "," instead.
void TakeRegionalMarks(const QLocale& locale);

namespace detail {

// The symbol's one character, or the fallback when it has none or more than one.
[[nodiscard]] char16_t MarkOrFallback(const QString& symbol, char16_t fallback) noexcept;

}  // namespace detail
}  // namespace shell
