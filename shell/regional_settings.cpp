#include "shell/regional_settings.h"

#include <QLocale>

#include "model/value_text.h"

namespace shell {

void TakeRegionalMarks(const QLocale& locale) {
  model::SetDecimalMark(detail::MarkOrFallback(locale.decimalPoint(), u'.'));
  model::SetGroupingMark(detail::MarkOrFallback(locale.groupSeparator(), u','));
}

namespace detail {

char16_t MarkOrFallback(const QString& symbol, char16_t fallback) noexcept {
  return symbol.size() == 1 ? symbol.front().unicode() : fallback;
}

}  // namespace detail
}  // namespace shell
