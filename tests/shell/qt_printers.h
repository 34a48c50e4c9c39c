#pragma once

// Lets GoogleTest print Qt's strings and points as text in its failure messages.

#include <ostream>

#include <QPoint>
#include <QString>

inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QPoint& point, std::ostream* out) {
  *out << '(' << point.x() << ", " << point.y() << ')';
}
