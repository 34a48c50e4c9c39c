#pragma once

// Colours as "#rrggbb" in test failures, which say more than a number.

#include <string>

#include <QColor>
#include <QRgb>

namespace widgets {

inline std::string Hex(QRgb rgb) { return QColor(rgb).name().toStdString(); }

}  // namespace widgets
