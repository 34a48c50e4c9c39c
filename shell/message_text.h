#pragma once

// The text of a message box, whatever its length.

#include <memory>
#include <unordered_map>
#include <vector>

#include <QAbstractScrollArea>
#include <QClipboard>
#include <QString>

class QTextLayout;

namespace shell {

// A read-only view of a plain text, as a message box shows it: in the widget's font and the
// window-text colour, wrapped to the view's width (a word longer than a line is broken
// anywhere), a line break in the text starting a new line. The text can be selected with
// the mouse and Ctrl+A, copied with Ctrl+C or the context menu, and scrolled with the scroll
// bar, the wheel and the arrow, page, Home and End keys; every other key goes on to the
// dialog, so that Enter and Esc act there.
//
// Only the lines in sight are ever laid out, so that a text of hundreds of millions of
// characters shows at once. For that, a line of the text longer than kPieceLength characters
// is laid out in pieces of about that length, each wrapped on its own: such a line also
// breaks where a piece ends, after a blank where there is one near. The text itself is
// shared, never copied: Text() and what is copied are exactly what was given.
//
// Typical use: SetText, then FitWithin to take the size the text needs, then ScrollToEnd
// so that the end of the text is in sight when the view is shown.
class TMessageText : public QAbstractScrollArea {
  Q_OBJECT

 public:
  static constexpr qsizetype kPieceLength = 16384;

  explicit TMessageText(QWidget* parent = nullptr);
  ~TMessageText() override;

  const QString& Text() const { return text_; }
  void SetText(const QString& text);

  // Gives the view a fixed size: as wide as the text's longest line but at most `most`
  // wide, and as high as the text wrapped to that width but at most `most` high. A text
  // that does not fit gets a vertical scroll bar beside its lines of the full width.
  void FitWithin(QSize most);

  // Scrolls so that the text's last line is the lowest one in sight, now and whenever the
  // view is resized, until the person scrolls elsewhere.
  void ScrollToEnd();

  // Where the character at this position of the text shows in the viewport; an empty
  // rectangle when it is out of sight.
  QRect CharacterRect(qsizetype position) const;

  QString SelectedText() const;
  void SelectAll();

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  // A stretch of the text laid out on its own: a line of the text, or a part of a long one.
  struct Piece {
    qsizetype start;
    qsizetype length;
  };
  // A line on the screen: the piece it belongs to and its number within the piece.
  struct LinePlace {
    std::size_t piece = 0;
    int line = 0;
    friend bool operator==(const LinePlace&, const LinePlace&) = default;
  };

  std::unique_ptr<QTextLayout> LayOut(std::size_t piece, int width) const;
  QTextLayout& LayoutOf(std::size_t piece) const;
  int LineHeight() const;
  int LinesInSight() const;
  LinePlace Top() const;
  LinePlace LastLine() const;
  // The line `count` lines below (above, for a negative count), within the text.
  LinePlace Moved(LinePlace from, qsizetype count) const;
  LinePlace LineAt(qsizetype position) const;
  qsizetype StartOf(LinePlace line) const;
  LinePlace EndTop() const;
  qsizetype PositionAt(QPoint point) const;

  void ScrollTo(LinePlace top);
  void ScrollLines(qsizetype count);
  void UpdateScrollBar();
  void CopySelection(QClipboard::Mode mode) const;

  QString text_;
  std::vector<Piece> pieces_;
  // The layouts of the pieces at the viewport's width, made as they come into sight.
  mutable std::unordered_map<std::size_t, std::unique_ptr<QTextLayout>> layouts_;
  mutable int layoutWidth_ = -1;

  // The first character of the top line in sight.
  qsizetype topStart_ = 0;
  bool pinnedToEnd_ = false;
  // The scroll bar counts characters; a text longer than its range counts in steps.
  qsizetype scrollStep_ = 1;
  bool movingScrollBar_ = false;

  qsizetype anchor_ = 0;
  qsizetype cursor_ = 0;
  bool selecting_ = false;
};

}  // namespace shell
