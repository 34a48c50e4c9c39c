#include "shell/message_text.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStringView>
#include <QStyle>
#include <QTextLayout>
#include <QWheelEvent>

namespace shell {
namespace {

// A long line is cut after the last blank this near the end of a piece, when it has one.
constexpr qsizetype kNearBlank = 256;
// Layouts kept for pieces that went out of sight; the ones in sight are made again at once.
constexpr std::size_t kCachedLayouts = 32;
constexpr int kWheelNotch = 120;

// Where the piece of a long line that begins at `start` of `text` ends: after a blank near
// the longest length where there is one, else there, keeping a character of two code units
// whole.
qsizetype PieceEnd(QStringView text, qsizetype start) {
  const qsizetype longest = start + TMessageText::kPieceLength;
  const qsizetype blank = text.mid(longest - kNearBlank, kNearBlank).lastIndexOf(u' ');
  if (blank >= 0) return longest - kNearBlank + blank + 1;
  return text[longest - 1].isHighSurrogate() ? longest - 1 : longest;
}

QTextLayout::FormatRange SelectionFormat(const QPalette& palette, qsizetype start,
                                         qsizetype length) {
  QTextLayout::FormatRange range;
  range.start = static_cast<int>(start);
  range.length = static_cast<int>(length);
  range.format.setBackground(palette.color(QPalette::Highlight));
  range.format.setForeground(palette.color(QPalette::HighlightedText));
  return range;
}

}  // namespace

TMessageText::TMessageText(QWidget* parent) : QAbstractScrollArea(parent) {
  setFrameShape(QFrame::NoFrame);
  setFocusPolicy(Qt::StrongFocus);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  viewport()->setAutoFillBackground(false);
  viewport()->setCursor(Qt::IBeamCursor);
  // The bar counts characters; its arrows and page clicks move by lines instead.
  connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this](int action) {
    qsizetype lines = 0;
    switch (action) {
      case QAbstractSlider::SliderSingleStepAdd:
        lines = 1;
        break;
      case QAbstractSlider::SliderSingleStepSub:
        lines = -1;
        break;
      case QAbstractSlider::SliderPageStepAdd:
        lines = std::max(1, LinesInSight() - 1);
        break;
      case QAbstractSlider::SliderPageStepSub:
        lines = -std::max(1, LinesInSight() - 1);
        break;
      default:
        return;
    }
    const qsizetype target = std::min(StartOf(Moved(Top(), lines)), StartOf(EndTop()));
    verticalScrollBar()->setSliderPosition(static_cast<int>(target / scrollStep_));
  });
  SetText(QString());
}

TMessageText::~TMessageText() = default;

void TMessageText::SetText(const QString& text) {
  text_ = text;
  layouts_.clear();
  const QStringView all(text_);
  pieces_.clear();
  qsizetype lineStart = 0;
  qsizetype nextFeed = all.indexOf(u'\n');
  qsizetype nextReturn = all.indexOf(u'\r');
  for (;;) {
    if (nextFeed >= 0 && nextFeed < lineStart) nextFeed = all.indexOf(u'\n', lineStart);
    if (nextReturn >= 0 && nextReturn < lineStart) nextReturn = all.indexOf(u'\r', lineStart);
    qsizetype lineEnd = all.size();
    qsizetype breakLength = 0;
    if (nextFeed >= 0) {
      lineEnd = nextFeed;
      breakLength = 1;
    }
    if (nextReturn >= 0 && nextReturn < lineEnd) {
      lineEnd = nextReturn;
      breakLength = lineEnd + 1 < all.size() && all[lineEnd + 1] == u'\n' ? 2 : 1;
    }
    qsizetype start = lineStart;
    while (lineEnd - start > kPieceLength) {
      const qsizetype end = PieceEnd(all, start);
      pieces_.push_back({start, end - start});
      start = end;
    }
    pieces_.push_back({start, lineEnd - start});
    if (breakLength == 0) break;
    lineStart = lineEnd + breakLength;
  }
  scrollStep_ = 1 + text_.size() / std::numeric_limits<int>::max();
  anchor_ = cursor_ = 0;
  topStart_ = 0;
  pinnedToEnd_ = false;
  UpdateScrollBar();
  viewport()->update();
}

void TMessageText::FitWithin(QSize most) {
  const int lineHeight = LineHeight();
  const int widest = std::max(1, most.width());
  qreal width = 0;
  qsizetype lines = 0;
  for (std::size_t piece = 0; piece < pieces_.size(); ++piece) {
    const std::unique_ptr<QTextLayout> layout = LayOut(piece, widest);
    for (int line = 0; line < layout->lineCount(); ++line) {
      width = std::max(width, layout->lineAt(line).naturalTextWidth());
    }
    lines += std::max(1, layout->lineCount());
    if (lines * lineHeight > most.height()) {
      setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      setFixedSize(widest, std::max(lineHeight, most.height() / lineHeight * lineHeight));
      return;
    }
  }
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFixedSize(std::max(1, static_cast<int>(std::ceil(width))),
               static_cast<int>(lines) * lineHeight);
}

void TMessageText::ScrollToEnd() {
  pinnedToEnd_ = true;
  topStart_ = StartOf(EndTop());
  UpdateScrollBar();
  viewport()->update();
}

QRect TMessageText::CharacterRect(qsizetype position) const {
  if (position < 0 || position >= text_.size()) return {};
  const LinePlace line = LineAt(position);
  LinePlace row = Top();
  for (int rowNumber = 0; rowNumber < LinesInSight(); ++rowNumber) {
    if (row == line) {
      const QTextLayout& layout = LayoutOf(line.piece);
      const QTextLine textLine = layout.lineAt(line.line);
      const auto inPiece = static_cast<int>(position - pieces_[line.piece].start);
      const qreal left = textLine.cursorToX(inPiece);
      const qreal right = textLine.cursorToX(inPiece + 1);
      return QRectF(QPointF(std::min(left, right), rowNumber * LineHeight()),
                    QPointF(std::max(left, right), (rowNumber + 1) * LineHeight()))
          .toAlignedRect();
    }
    const LinePlace next = Moved(row, 1);
    if (next == row) break;
    row = next;
  }
  return {};
}

QString TMessageText::SelectedText() const {
  const auto [from, to] = std::minmax(anchor_, cursor_);
  return text_.mid(from, to - from);
}

void TMessageText::SelectAll() {
  anchor_ = 0;
  cursor_ = text_.size();
  viewport()->update();
}

void TMessageText::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* copy =
      menu.addAction(tr("&Copy"), this, [this] { CopySelection(QClipboard::Clipboard); });
  copy->setShortcut(QKeySequence::Copy);
  copy->setEnabled(anchor_ != cursor_);
  menu.addSeparator();
  menu.addAction(tr("Select All"), this, &TMessageText::SelectAll)
      ->setShortcut(QKeySequence::SelectAll);
  menu.exec(event->globalPos());
}

void TMessageText::keyPressEvent(QKeyEvent* event) {
  if (event == QKeySequence::Copy) {
    CopySelection(QClipboard::Clipboard);
  } else if (event == QKeySequence::SelectAll) {
    SelectAll();
  } else if (event->key() == Qt::Key_Up) {
    ScrollLines(-1);
  } else if (event->key() == Qt::Key_Down) {
    ScrollLines(1);
  } else if (event->key() == Qt::Key_PageUp) {
    ScrollLines(-std::max(1, LinesInSight() - 1));
  } else if (event->key() == Qt::Key_PageDown) {
    ScrollLines(std::max(1, LinesInSight() - 1));
  } else if (event->key() == Qt::Key_Home) {
    ScrollTo({});
  } else if (event->key() == Qt::Key_End) {
    ScrollToEnd();
  } else {
    event->ignore();
  }
}

void TMessageText::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  cursor_ = PositionAt(event->position().toPoint());
  if (!event->modifiers().testFlag(Qt::ShiftModifier)) anchor_ = cursor_;
  selecting_ = true;
  viewport()->update();
}

void TMessageText::mouseMoveEvent(QMouseEvent* event) {
  if (!selecting_) return;
  QPoint point = event->position().toPoint();
  // Dragging past the top or bottom edge scrolls the text along.
  if (point.y() < 0) {
    ScrollLines(-1);
  } else if (point.y() >= viewport()->height()) {
    ScrollLines(1);
  }
  point.setY(std::clamp(point.y(), 0, std::max(0, viewport()->height() - 1)));
  cursor_ = PositionAt(point);
  viewport()->update();
}

void TMessageText::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !selecting_) return;
  selecting_ = false;
  CopySelection(QClipboard::Selection);
}

void TMessageText::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(viewport());
  painter.setPen(palette().color(QPalette::WindowText));
  const auto [selectionStart, selectionEnd] = std::minmax(anchor_, cursor_);
  const QRectF sight(viewport()->rect());
  const int lineHeight = LineHeight();
  const LinePlace top = Top();
  int rowTop = 0;
  for (std::size_t piece = top.piece; piece < pieces_.size() && rowTop < sight.height(); ++piece) {
    const Piece& stretch = pieces_[piece];
    QList<QTextLayout::FormatRange> selections;
    const qsizetype from = std::max(selectionStart, stretch.start);
    const qsizetype to = std::min(selectionEnd, stretch.start + stretch.length);
    if (from < to) selections.append(SelectionFormat(palette(), from - stretch.start, to - from));
    const QTextLayout& layout = LayoutOf(piece);
    const int firstLine = piece == top.piece ? top.line : 0;
    layout.draw(&painter, QPointF(0, rowTop - firstLine * lineHeight), selections, sight);
    rowTop += (std::max(1, layout.lineCount()) - firstLine) * lineHeight;
  }
}

void TMessageText::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  // The top line is the one that holds the same character, laid out anew.
  const qsizetype endStart = StartOf(EndTop());
  topStart_ = pinnedToEnd_ ? endStart : StartOf(LineAt(std::min(topStart_, endStart)));
  UpdateScrollBar();
}

void TMessageText::scrollContentsBy(int /*dx*/, int /*dy*/) {
  if (movingScrollBar_) return;
  const QScrollBar* bar = verticalScrollBar();
  pinnedToEnd_ = bar->value() == bar->maximum();
  topStart_ =
      StartOf(pinnedToEnd_ ? EndTop() : LineAt(static_cast<qsizetype>(bar->value()) * scrollStep_));
  viewport()->update();
}

void TMessageText::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (delta == 0) return;
  const qsizetype lines =
      std::max(1, std::abs(delta) * QApplication::wheelScrollLines() / kWheelNotch);
  ScrollLines(delta > 0 ? -lines : lines);
}

std::unique_ptr<QTextLayout> TMessageText::LayOut(std::size_t piece, int width) const {
  const Piece& stretch = pieces_[piece];
  auto layout =
      std::make_unique<QTextLayout>(text_.mid(stretch.start, stretch.length), font(), viewport());
  QTextOption option(Qt::AlignLeft | Qt::AlignTop);
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout->setTextOption(option);
  const int lineHeight = LineHeight();
  layout->beginLayout();
  for (int number = 0;; ++number) {
    QTextLine line = layout->createLine();
    if (!line.isValid()) break;
    line.setLineWidth(width);
    line.setPosition(QPointF(0, number * lineHeight));
  }
  layout->endLayout();
  return layout;
}

QTextLayout& TMessageText::LayoutOf(std::size_t piece) const {
  const int width = std::max(1, viewport()->width());
  if (width != layoutWidth_) {
    layouts_.clear();
    layoutWidth_ = width;
  }
  if (const auto found = layouts_.find(piece); found != layouts_.end()) return *found->second;
  if (layouts_.size() >= kCachedLayouts) layouts_.clear();
  return *layouts_.emplace(piece, LayOut(piece, width)).first->second;
}

int TMessageText::LineHeight() const { return std::max(1, QFontMetrics(font()).lineSpacing()); }

int TMessageText::LinesInSight() const { return std::max(1, viewport()->height() / LineHeight()); }

TMessageText::LinePlace TMessageText::Top() const { return LineAt(topStart_); }

TMessageText::LinePlace TMessageText::LastLine() const {
  const std::size_t piece = pieces_.size() - 1;
  return {piece, std::max(1, LayoutOf(piece).lineCount()) - 1};
}

TMessageText::LinePlace TMessageText::Moved(LinePlace from, qsizetype count) const {
  LinePlace at = from;
  while (count > 0) {
    const int remaining = std::max(1, LayoutOf(at.piece).lineCount()) - 1 - at.line;
    if (count <= remaining) {
      at.line += static_cast<int>(count);
      return at;
    }
    if (at.piece + 1 == pieces_.size()) {
      at.line += remaining;
      return at;
    }
    count -= remaining + 1;
    at = {at.piece + 1, 0};
  }
  while (count < 0) {
    if (-count <= at.line) {
      at.line += static_cast<int>(count);
      return at;
    }
    if (at.piece == 0) return {};
    count += at.line + 1;
    at = {at.piece - 1, std::max(1, LayoutOf(at.piece - 1).lineCount()) - 1};
  }
  return at;
}

TMessageText::LinePlace TMessageText::LineAt(qsizetype position) const {
  const auto after =
      std::upper_bound(pieces_.begin(), pieces_.end(), position,
                       [](qsizetype value, const Piece& piece) { return value < piece.start; });
  const auto piece =
      static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, after - pieces_.begin() - 1));
  const QTextLayout& layout = LayoutOf(piece);
  const qsizetype inPiece = position - pieces_[piece].start;
  int line = 0;
  while (line + 1 < layout.lineCount() && layout.lineAt(line + 1).textStart() <= inPiece) ++line;
  return {piece, line};
}

qsizetype TMessageText::StartOf(LinePlace line) const {
  const QTextLayout& layout = LayoutOf(line.piece);
  const qsizetype inPiece =
      line.line < layout.lineCount() ? layout.lineAt(line.line).textStart() : 0;
  return pieces_[line.piece].start + inPiece;
}

TMessageText::LinePlace TMessageText::EndTop() const {
  return Moved(LastLine(), -(LinesInSight() - 1));
}

qsizetype TMessageText::PositionAt(QPoint point) const {
  const int lineHeight = LineHeight();
  const int row = point.y() >= 0 ? point.y() / lineHeight : -1 - (-point.y() - 1) / lineHeight;
  const LinePlace top = Top();
  const LinePlace line = Moved(top, row);
  // A point below the last line or above the first stands for the end or the start.
  if (row > 0 && Moved(top, row - 1) == line) return text_.size();
  if (row < 0 && Moved(top, row + 1) == line) return 0;
  const QTextLayout& layout = LayoutOf(line.piece);
  if (line.line >= layout.lineCount()) return pieces_[line.piece].start;
  return pieces_[line.piece].start + layout.lineAt(line.line).xToCursor(point.x());
}

void TMessageText::ScrollTo(LinePlace top) {
  const qsizetype endStart = StartOf(EndTop());
  pinnedToEnd_ = StartOf(top) >= endStart;
  topStart_ = pinnedToEnd_ ? endStart : StartOf(top);
  UpdateScrollBar();
  viewport()->update();
}

void TMessageText::ScrollLines(qsizetype count) { ScrollTo(Moved(Top(), count)); }

void TMessageText::UpdateScrollBar() {
  QScrollBar* bar = verticalScrollBar();
  const qsizetype endStart = StartOf(EndTop());
  movingScrollBar_ = true;
  bar->setRange(0, static_cast<int>(endStart / scrollStep_));
  bar->setPageStep(
      static_cast<int>(std::max<qsizetype>(1, (text_.size() - endStart) / scrollStep_)));
  bar->setValue(pinnedToEnd_ ? bar->maximum() : static_cast<int>(topStart_ / scrollStep_));
  movingScrollBar_ = false;
}

void TMessageText::CopySelection(QClipboard::Mode mode) const {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (anchor_ == cursor_ || (mode == QClipboard::Selection && !clipboard->supportsSelection())) {
    return;
  }
  clipboard->setText(SelectedText(), mode);
}

}  // namespace shell
