#pragma once

// The application object of the program.

#include <QApplication>

namespace shell {

class TApplication : public QApplication {
  Q_OBJECT

 public:
  TApplication(int& argc, char** argv);

  // Every handler of the program is guarded where it is connected; this catches whatever
  // still escapes an event (an override of a control, a handler connected elsewhere) and
  // shows it in the application error box, so that no error ends the program.
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace shell
