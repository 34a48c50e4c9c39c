#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QSize>
#include <QWindow>
#include <gtest/gtest.h>

#include "shell/application.h"
#include "shell/main_window.h"
#include "shell/program_identity.h"
#include "shell/startup.h"

namespace shell {
namespace {

const QList<QSize> kDrawnSizes = {QSize(16, 16), QSize(24, 24),   QSize(32, 32),  QSize(48, 48),
                                  QSize(64, 64), QSize(128, 128), QSize(256, 256)};

QString PackagingFile(const QString& name) {
  return QStringLiteral(LOADGEN_PACKAGING_DIR "/") + name;
}

TEST(ProgramIconTest, EverySizeIsTheImageDrawnForIt) {
  const QIcon icon = ProgramIcon();
  EXPECT_EQ(icon.availableSizes(), kDrawnSizes);
  for (const QSize& size : kDrawnSizes) {
    SCOPED_TRACE(size.width());
    // Compared premultiplied, as a pixmap holds them: converting back would round the
    // colours of half-transparent edge pixels.
    const QImage shown =
        icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage drawn =
        QImage(PackagingFile(QStringLiteral("icons/loadgen-%1.png").arg(size.width())))
            .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_FALSE(drawn.isNull());
    EXPECT_EQ(shown, drawn) << "not the committed rendering, or scaled from another size";
  }
}

TEST(ProgramIconTest, TheWindowShowsItAtEverySize) {
  TForm1 form;
  form.show();
  EXPECT_EQ(form.windowIcon().availableSizes(), kDrawnSizes);
  ASSERT_NE(form.windowHandle(), nullptr);
  EXPECT_EQ(form.windowHandle()->icon().availableSizes(), kDrawnSizes);
}

TEST(ProgramIconTest, TheWindowNamesTheShippedDesktopEntry) {
  EXPECT_TRUE(
      QFile::exists(PackagingFile(QGuiApplication::desktopFileName() + QStringLiteral(".desktop"))))
      << QGuiApplication::desktopFileName().toStdString();
}

}  // namespace
}  // namespace shell

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The program's own start-up, which gives the application its icon.
  shell::PrepareProcess();
  shell::TApplication application(argc, argv);
  shell::PrepareApplication();
  return RUN_ALL_TESTS();
}
