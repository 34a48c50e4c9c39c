#include "shell/message_box.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "shell/message_text.h"
#include "shell/window_placement.h"

namespace shell {
namespace {

// As wide as a standard message box wraps its text, where the screen has room for it.
constexpr int kWidestText = 500;

// The platform's picture for a box of this kind, as a standard message box shows it.
QPixmap IconPicture(QMessageBox::Icon icon, const QWidget& box) {
  QStyle::StandardPixmap picture = QStyle::SP_MessageBoxInformation;
  switch (icon) {
    case QMessageBox::NoIcon:
      return {};
    case QMessageBox::Information:
      picture = QStyle::SP_MessageBoxInformation;
      break;
    case QMessageBox::Warning:
      picture = QStyle::SP_MessageBoxWarning;
      break;
    case QMessageBox::Critical:
      picture = QStyle::SP_MessageBoxCritical;
      break;
    case QMessageBox::Question:
      picture = QStyle::SP_MessageBoxQuestion;
      break;
  }
  QStyle* style = box.style();
  const int size = style->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
  return style->standardIcon(picture, nullptr, &box)
      .pixmap(QSize(size, size), box.devicePixelRatio());
}

}  // namespace

TMessageBox::TMessageBox(QMessageBox::Icon icon, const QString& caption, const QString& text,
                         QWidget* parent)
    // The frame of a standard message box: a caption, a system menu and a close button.
    : QDialog(parent, Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      icon_(icon),
      text_(new TMessageText(this)) {
  setWindowTitle(caption);
  auto* iconLabel = new QLabel(this);
  iconLabel->setPixmap(IconPicture(icon, *this));
  iconLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  text_->SetText(text);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QGridLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->addWidget(iconLabel, 0, 0, Qt::AlignTop);
  layout->addWidget(text_, 0, 1);
  layout->addWidget(buttons, 1, 0, 1, 2);

  QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
  if (screen != nullptr) {
    const QSize room = screen->availableGeometry().size();
    text_->FitWithin(QSize(std::min(kWidestText, room.width() / 2), room.height() / 2));
    layout->activate();
    CentreOnScreen(*this, *screen);
  }
  text_->ScrollToEnd();
  ok_->setFocus();
}

const QString& TMessageBox::Text() const { return text_->Text(); }

}  // namespace shell
