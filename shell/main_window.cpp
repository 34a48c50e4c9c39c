#include "shell/main_window.h"

#include <algorithm>
#include <optional>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDropEvent>
#include <QEvent>
#include <QFileInfo>
#include <QFont>
#include <QLabel>
#include <QLocale>
#include <QMimeData>
#include <QShortcut>
#include <QTimer>
#include <QUrl>

#include "shell/button.h"
#include "shell/chart_views.h"
#include "shell/edit_box.h"
#include "shell/exception_handling.h"
#include "shell/file_dialog.h"
#include "shell/regional_settings.h"
#include "shell/window_placement.h"
#include "widgets/chart.h"
#include "widgets/field_status.h"
#include "widgets/line_series.h"
#include "widgets/splitter.h"
#include "widgets/status_bar.h"

namespace shell {
namespace {

const QString kCaption = QStringLiteral("Loading Process Generation (by Orlavin)(20151026)");
constexpr int kClientWidth = 688;
constexpr int kClientHeight = 400;

// The window's font; the free Tahoma of the Wine fonts where the desktop has no other,
// else a face of similar width, so that every caption still fits its control.
const QStringList kFontFamilies = {QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
                                   QStringLiteral("DejaVu Sans")};
constexpr int kFontPixelSize = 11;

const QString kImportCaption = QStringLiteral("Import Peak Step Value");
const QString kSpacingLabel = QStringLiteral("Division Spacing of Step");
const QString kInitialSpacing = QStringLiteral("1");
const QString kGenerateCaption = QStringLiteral("Generate Loading Process");
const QString kExportCaption = QStringLiteral("Export Loading Process");

const QRect kImportButtonPlace(8, 8, 153, 25);
const QPoint kSpacingLabelTopLeft(8, 45);
const QRect kSpacingBoxPlace(8, 70, 153, 21);
const QRect kGenerateButtonPlace(8, 103, 153, 25);
const QRect kExportButtonPlace(8, 140, 153, 25);

// The splitter keeps its left and top edges and its distances to the right and bottom
// edges of the client area; the status bar docks itself along the bottom edge.
constexpr int kSplitterLeft = 167;
constexpr int kSplitterTop = 8;
constexpr int kSplitterRightGap = 9;
constexpr int kSplitterBottomGap = 35;

// The status bar's panes, left to right: the author, the greeting and the website link.
const QString kAuthorCaption = QStringLiteral("  Orlavin  ");
constexpr int kAuthorPaneWidth = 58;
const QString kGreetingCaption = QStringLiteral("  Welcome to my Website :");
constexpr int kGreetingPaneWidth = 175;
constexpr int kLinkPaneWidth = 142;
constexpr int kLinkPaneBorderWidth = 3;
const QString kStatusFontFamily = QStringLiteral("MS Sans Serif");
const QColor kLinkColor(0x00, 0x00, 0x00);
const QColor kLinkHoverColor(0x00, 0x00, 0xFF);

constexpr int kPeakMarkerSize = 3;
constexpr int kProcessMarkerSize = 2;

// The one local file that a drag carries, or nothing when it carries anything else: more
// than one item, a folder, a web address, text.
std::optional<QString> DraggedFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return std::nullopt;
  const QList<QUrl> urls = data->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return std::nullopt;
  const QString path = urls.front().toLocalFile();
  const QFileInfo file(path);
  if (!file.exists() || file.isDir()) return std::nullopt;
  return path;
}

// Takes the drag as a copy: a drag that the source would end by deleting its file, a move,
// must never reach the import.
std::optional<QString> TakeDraggedFile(QDropEvent* event) {
  std::optional<QString> file = DraggedFile(event->mimeData());
  if (!file || !event->possibleActions().testFlag(Qt::CopyAction)) {
    event->ignore();
    return std::nullopt;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  return file;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : TForm1(RegionalMarks(QLocale::system()), parent) {}

TForm1::TForm1(model::ValueMarks marks, QWidget* parent) : QWidget(parent), marks_(marks) {
  BuildControls();
  const QString programFolder = QCoreApplication::applicationDirPath();
  dlgOpen1->SetInitialDir(programFolder);
  dlgSave1->SetInitialDir(programFolder);
  lnsrsSeries1->SetPointerVisible(true);
  lnsrsSeries1->SetPointerSize(kPeakMarkerSize);
  lnsrsSeries1->SetPointerStyle(widgets::TLineSeries::PointerStyle::Circle);
  lnsrsSeries2->SetPointerVisible(true);
  lnsrsSeries2->SetPointerSize(kProcessMarkerSize);
  lnsrsSeries2->SetPointerStyle(widgets::TLineSeries::PointerStyle::Circle);
  ConnectHandlers();
  setAcceptDrops(true);
  // A file dropped onto the spacing box is imported like one dropped anywhere else, not
  // typed into the box as its name.
  edt1->setAcceptDrops(false);
  CentreOnPrimaryScreen(*this);
}

void TForm1::BuildControls() {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(kCaption);
  QFont font;
  font.setFamilies(kFontFamilies);
  font.setPixelSize(kFontPixelSize);
  setFont(font);
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);
  resize(kClientWidth, kClientHeight);

  btn1 = new TButton(kImportCaption, this);
  btn1->setObjectName(QStringLiteral("btn1"));
  btn1->setGeometry(kImportButtonPlace);
  lbl1 = new QLabel(kSpacingLabel, this);
  lbl1->setObjectName(QStringLiteral("lbl1"));
  // The label takes the size of its text: 114 x 13 with the font the layout was made with,
  // and as much as a somewhat wider face needs, rather than cutting the text off.
  lbl1->setGeometry(QRect(kSpacingLabelTopLeft, lbl1->sizeHint()));
  edt1 = new TEdit(kInitialSpacing, this);
  edt1->setObjectName(QStringLiteral("edt1"));
  edt1->setGeometry(kSpacingBoxPlace);
  btn2 = new TButton(kGenerateCaption, this);
  btn2->setObjectName(QStringLiteral("btn2"));
  btn2->setGeometry(kGenerateButtonPlace);
  btn3 = new TButton(kExportCaption, this);
  btn3->setObjectName(QStringLiteral("btn3"));
  btn3->setGeometry(kExportButtonPlace);

  rzspltr1 = new widgets::TRzSplitter(this);
  rzspltr1->setObjectName(QStringLiteral("rzspltr1"));
  cht1 = CreatePeakChart(rzspltr1, marks_);
  cht1->setObjectName(QStringLiteral("cht1"));
  lnsrsSeries1 = &cht1->Series();
  cht2 = CreateProcessChart(rzspltr1, marks_);
  cht2->setObjectName(QStringLiteral("cht2"));
  lnsrsSeries2 = &cht2->Series();
  rzspltr1->SetUpperWidget(cht1);
  rzspltr1->SetLowerWidget(cht2);

  BuildStatusBar();

  dlgOpen1 = new TFileDialog(TFileDialog::Kind::Open, this);
  dlgOpen1->setObjectName(QStringLiteral("dlgOpen1"));
  dlgSave1 = new TFileDialog(TFileDialog::Kind::Save, this);
  dlgSave1->setObjectName(QStringLiteral("dlgSave1"));

  // Tab visits "Generate" before the spacing box above it.
  setTabOrder(btn1, btn2);
  setTabOrder(btn2, edt1);
  setTabOrder(edt1, btn3);
  setTabOrder(btn3, rzstsbr1);
  setTabOrder(rzstsbr1, rzspltr1);
}

void TForm1::BuildStatusBar() {
  rzstsbr1 = new widgets::TRzStatusBar(this);
  rzstsbr1->setObjectName(QStringLiteral("rzstsbr1"));
  QFont statusFont;
  statusFont.setFamilies({kStatusFontFamily, kFontFamilies.first()});
  statusFont.setPixelSize(kFontPixelSize);
  statusFont.setBold(true);
  QFont authorFont = font();
  authorFont.setBold(true);
  // Wine's Tahoma Bold is bold at small sizes only in the bitmaps it embeds; its outlines are
  // as thin as the regular face's. Qt draws those bitmaps only for text without smoothing, and
  // spaces them by their own advances only under full hinting.
  for (QFont* bitmapBold : {&statusFont, &authorFont}) {
    bitmapBold->setStyleStrategy(QFont::NoAntialias);
    bitmapBold->setHintingPreference(QFont::PreferFullHinting);
  }

  rzfldsts3 = rzstsbr1->AddPane(kAuthorPaneWidth);
  rzfldsts3->setObjectName(QStringLiteral("rzfldsts3"));
  rzfldsts3->SetCaption(kAuthorCaption);
  rzfldsts3->setFont(authorFont);

  rzfldsts1 = rzstsbr1->AddPane(kGreetingPaneWidth);
  rzfldsts1->setObjectName(QStringLiteral("rzfldsts1"));
  rzfldsts1->SetCaption(kGreetingCaption);
  rzfldsts1->setFont(statusFont);

  rzfldsts2 = rzstsbr1->AddPane(kLinkPaneWidth);
  rzfldsts2->setObjectName(QStringLiteral("rzfldsts2"));
  rzfldsts2->SetCaption(QLatin1Char(' ') + QLatin1String(kWebsiteAddress));
  rzfldsts2->setFont(statusFont);
  rzfldsts2->SetBorderWidth(kLinkPaneBorderWidth);
  rzfldsts2->SetTextColor(kLinkColor);
}

void TForm1::ConnectHandlers() {
  connect(btn1, &QPushButton::clicked, this, Guarded([this] { btn1Click(); }));
  connect(btn2, &QPushButton::clicked, this, Guarded([this] { btn2Click(); }));
  connect(btn3, &QPushButton::clicked, this, Guarded([this] { btn3Click(); }));
  // "Import" is the window's cancel button: Esc without Shift, Ctrl or Alt clicks it.
  auto* cancel = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(cancel, &QShortcut::activated, btn1, &QPushButton::click);

  using widgets::TRzFieldStatus;
  connect(rzfldsts2, &TRzFieldStatus::MouseMoved, this, Guarded([this] { rzfldsts2MouseMove(); }));
  connect(rzfldsts2, &TRzFieldStatus::MouseLeft, this, Guarded([this] { rzfldsts2MouseLeave(); }));
  connect(rzfldsts2, &TRzFieldStatus::Clicked, this, Guarded([this](Qt::MouseButton button) {
            if (button == Qt::LeftButton) rzfldsts2Click();
          }));
}

void TForm1::resizeEvent(QResizeEvent* event) {
  rzspltr1->setGeometry(kSplitterLeft, kSplitterTop,
                        std::max(0, width() - kSplitterLeft - kSplitterRightGap),
                        std::max(0, height() - kSplitterTop - kSplitterBottomGap));
  QWidget::resizeEvent(event);
}

void TForm1::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LocaleChange) {
    marks_ = RegionalMarks(QLocale::system());
    SetLabelMarks(*cht1, marks_);
    SetLabelMarks(*cht2, marks_);
  }
  QWidget::changeEvent(event);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) { TakeDraggedFile(event); }

void TForm1::dragMoveEvent(QDragMoveEvent* event) { TakeDraggedFile(event); }

void TForm1::dropEvent(QDropEvent* event) {
  const std::optional<QString> file = TakeDraggedFile(event);
  if (!file) return;
  // Once the drop has ended, so that the program the file came from is not held up while
  // a warning about the file waits to be closed.
  QTimer::singleShot(0, this, Guarded([this, path = *file] { ImportChosenFile(path); }));
}

void TForm1::rzfldsts2MouseMove() {
  rzfldsts2->SetTextColor(kLinkHoverColor);
  rzfldsts2->SetTextStyle(widgets::TRzFieldStatus::Bold | widgets::TRzFieldStatus::Underline);
}

void TForm1::rzfldsts2MouseLeave() {
  rzfldsts2->SetTextColor(kLinkColor);
  rzfldsts2->SetTextStyle(widgets::TRzFieldStatus::Bold);
}

void TForm1::rzfldsts2Click() {
  // Whether a browser opens is the desktop's matter; the program goes on either way.
  QDesktopServices::openUrl(QUrl::fromUserInput(QLatin1String(kWebsiteAddress)));
}

}  // namespace shell
