#include "shell/message_box.h"

#include <functional>
#include <string>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include "model/errors.h"
#include "shell/message_boxes.h"
#include "shell/message_text.h"
#include "shell/modal.h"
#include "tests/shell/qt_printers.h"

namespace shell {
namespace {

// The boxes shown for real, each looked at once it is up and painted, then closed.
class ShownBoxTest : public testing::Test {
 protected:
  using Look = std::function<void(TMessageBox&)>;

  // Runs `show`, which shows one box, and `look` on that box.
  void ShowAndLook(const std::function<void()>& show, const Look& look) {
    bool looked = false;
    const ModalOverride shower([&](QDialog& dialog) {
      auto* box = qobject_cast<TMessageBox*>(&dialog);
      EXPECT_NE(box, nullptr);
      if (box == nullptr) return int{QDialog::Rejected};
      box->show();
      EXPECT_TRUE(QTest::qWaitForWindowExposed(box));
      look(*box);
      looked = true;
      box->hide();
      return int{QDialog::Accepted};
    });
    show();
    EXPECT_TRUE(looked);
  }

  // Whether the characters from `from` to the end of the text are all in sight, each drawn
  // where the view says it is, within the view.
  static void ExpectEndInSight(const TMessageBox& box, qsizetype from) {
    const TMessageText& view = *box.TextView();
    const QImage drawn = view.viewport()->grab().toImage();
    const QColor background = view.palette().color(QPalette::Window);
    for (qsizetype position = from; position < view.Text().size(); ++position) {
      SCOPED_TRACE(position);
      const QRect place = view.CharacterRect(position);
      ASSERT_FALSE(place.isEmpty()) << "out of sight";
      EXPECT_TRUE(view.viewport()->rect().contains(place)) << "beyond the view's edge";
      if (view.Text().at(position).isSpace()) continue;
      bool inked = false;
      for (int y = place.top(); y <= place.bottom() && !inked; ++y) {
        for (int x = place.left(); x <= place.right() && !inked; ++x) {
          inked = qAbs(qGray(drawn.pixel(x, y)) - qGray(background.rgb())) > 96;
        }
      }
      EXPECT_TRUE(inked) << "not drawn";
    }
  }

  static void ExpectWithinScreen(const TMessageBox& box) {
    const QRect screen = box.screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(box.frameGeometry()))
        << box.frameGeometry().width() << " x " << box.frameGeometry().height();
  }
};

TEST_F(ShownBoxTest, TheReasonAtTheEndOfALongMessageIsInSightAndTheBoxOnTheScreen) {
  const QString badValue = QStringLiteral("' is not a valid floating point value");
  QString path;
  while (path.size() < 1100) path += QStringLiteral("/a-folder-with-a-long-name");
  path += QStringLiteral("/peaks.txt");
  const QString cannotOpen =
      QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(path);
  const struct {
    const char* name;
    QString text;
    qsizetype reasonLength;
  } rows[] = {
      {"a bad line of 3,200 characters", u'\'' + QString(3200, u'7') + badValue, badValue.size()},
      {"a missing file behind 1,140 characters", cannotOpen,
       QStringLiteral("No such file or directory").size()},
      {"a bad line of 100,000,000 characters", u'\'' + QString(100'000'000, u'7') + badValue,
       badValue.size()},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ShowAndLook([&] { ShowWarning(row.text); },
                [&](TMessageBox& box) {
                  EXPECT_EQ(box.Text(), row.text);
                  ExpectWithinScreen(box);
                  // The reason, and the end of the long word before it, wrapped.
                  ExpectEndInSight(box, row.text.size() - row.reasonLength - 100);
                });
  }
}

TEST_F(ShownBoxTest, AShortMessageShowsWholeWithoutAScrollBar) {
  ShowAndLook([] { ShowException(model::EZeroDivide()); },
              [](TMessageBox& box) {
                EXPECT_EQ(box.Text(), QStringLiteral("Floating point division by zero."));
                ExpectEndInSight(box, 0);
                EXPECT_FALSE(box.TextView()->verticalScrollBar()->isVisible());
                ExpectWithinScreen(box);
              });
}

TEST_F(ShownBoxTest, TheBoxIsCentredOnTheScreenOfItsParent) {
  QWidget window;
  window.setGeometry(10, 10, 200, 100);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  ShowAndLook([] { ShowWarning(QStringLiteral("Somewhere")); },
              [&window](TMessageBox& box) {
                EXPECT_EQ(box.parentWidget(), &window);
                // The box with its frame fits on the screen: nothing but the halving places it.
                const QRect area = window.screen()->geometry();
                const QSize outer = box.size().grownBy(box.windowHandle()->frameMargins());
                ASSERT_LE(outer.width(), area.width());
                ASSERT_LE(outer.height(), area.height());
                EXPECT_EQ(box.frameGeometry().topLeft(),
                          area.topLeft() + QPoint((area.width() - outer.width()) / 2,
                                                  (area.height() - outer.height()) / 2));
              });
}

TEST_F(ShownBoxTest, TheTextScrollsAndIsSelectedAndCopiedExactly) {
  QString text;
  for (int line = 0; line < 300; ++line) text += QStringLiteral("line %1\r\n").arg(line);
  text += QString(50'000, u'w') + QStringLiteral("\nthe end");
  const qsizetype theEnd = text.size() - 7;
  ShowAndLook([&] { ShowWarning(text); },
              [&](TMessageBox& box) {
                TMessageText& view = *box.TextView();
                EXPECT_FALSE(view.CharacterRect(theEnd).isEmpty());
                EXPECT_TRUE(view.CharacterRect(0).isEmpty());

                QTest::keyClick(&view, Qt::Key_Home);
                EXPECT_FALSE(view.CharacterRect(0).isEmpty());
                EXPECT_TRUE(view.CharacterRect(theEnd).isEmpty());
                QTest::keyClick(&view, Qt::Key_PageDown);
                EXPECT_TRUE(view.CharacterRect(0).isEmpty());
                QTest::keyClick(&view, Qt::Key_PageUp);
                EXPECT_FALSE(view.CharacterRect(0).isEmpty());

                // "line 1\r\nline 2" dragged over with the mouse, from the left edge of its
                // first character to the left edge of the character after it.
                const qsizetype from = text.indexOf(QStringLiteral("line 1\r"));
                const qsizetype to = text.indexOf(QStringLiteral("\r\nline 3"));
                QTest::mousePress(view.viewport(), Qt::LeftButton, {},
                                  view.CharacterRect(from).topLeft() + QPoint(0, 2));
                QTest::mouseMove(view.viewport(), view.CharacterRect(to).topLeft() + QPoint(0, 2));
                QTest::mouseRelease(view.viewport(), Qt::LeftButton, {},
                                    view.CharacterRect(to).topLeft() + QPoint(0, 2));
                EXPECT_EQ(view.SelectedText(), QStringLiteral("line 1\r\nline 2"));

                QTest::keyClick(&view, Qt::Key_End);
                EXPECT_FALSE(view.CharacterRect(theEnd).isEmpty());
                QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
                EXPECT_EQ(QGuiApplication::clipboard()->text(), text);

                // Keys the text does not use are the box's: Enter closes it.
                QTest::keyClick(&view, Qt::Key_Return);
                EXPECT_FALSE(box.isVisible());
                EXPECT_EQ(box.result(), int{QDialog::Accepted});
              });
}

}  // namespace
}  // namespace shell
