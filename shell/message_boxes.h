#pragma once

// The two message boxes of the program: the warning box with which a command reports a
// failure it caught, and the application error box for an error that no command caught.
// Both are modal over the active window and give the keyboard focus back to the control
// that had it. Both are a TMessageBox: the whole text, however long, fitted to the screen
// and showing its end.

#include <QString>

namespace model {
class Exception;
}

namespace shell {

// The warning box: caption "Warning", the warning icon, the text exactly as given (a line
// break starts a new line), and one "OK" button, which Enter presses; Esc and the close box
// dismiss the box as well.
void ShowWarning(const QString& text);

// The application error box: the application title as caption, the error's message with a
// closing full stop (see detail::WithClosingFullStop), the error icon and one OK button.
// Returns when the user has dismissed it; the program goes on.
void ShowException(const model::Exception& error);

namespace detail {

// The application title that a program of this executable carries: its file name, cut at
// the first full stop, with every character but the first in lower case
// ("Loading.Tool.exe" gives "Loading", "LOADGEN.EXE" gives "Loadgen").
[[nodiscard]] QString ApplicationTitle(const QString& executablePath);

// Appends "." when the last character comes after the full stop in character order (a
// letter, a digit, ":", "?"); a text ending in ".", "!", ")", a quote or a blank, and the
// empty text, stay as they are.
[[nodiscard]] QString WithClosingFullStop(QString message);

}  // namespace detail
}  // namespace shell
