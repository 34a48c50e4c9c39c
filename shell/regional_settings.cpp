#include "shell/regional_settings.h"

#include <QLocale>

namespace shell {

model::ValueMarks RegionalMarks(const QLocale& locale) {
  return {detail::MarkOrFallback(locale.decimalPoint(), u'.'),
          detail::MarkOrFallback(locale.groupSeparator(), u',')};
}

namespace detail {

char16_t MarkOrFallback(const QString& symbol, char16_t fallback) noexcept {
  return symbol.size() == 1 ? symbol.front().unicode() : fallback;
}

}  // namespace detail
}  // namespace shell
