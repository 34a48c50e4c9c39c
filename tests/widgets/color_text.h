#pragma once

// Colours as "#rrggbb" in test failures, which say more than a number.

#include <QColor>
#include <QRgb>

#include <string>

namespace widgets {

inline std::string Hex(QRgb rgb) { return QColor(rgb).name().toStdString(); }

}  // namespace widgets
