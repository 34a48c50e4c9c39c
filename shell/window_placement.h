#pragma once

// Where the program's windows first appear: centred on a screen by their outer size, the
// frame that the window manager draws around them included.

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

class QScreen;
class QWidget;

namespace shell {

// Centres the top-level window, not yet shown and of its final size, on the screen by its
// outer size (see detail::CentredFramePosition). Its frame is the one the window manager
// announces before the window is mapped, where it can (an X11 window manager that answers
// _NET_REQUEST_FRAME_EXTENTS), so that the window appears in its place at once; where the
// frame turns out different once the window is first exposed, the window is centred again
// with that frame.
void CentreOnScreen(QWidget& window, QScreen& screen);
void CentreOnPrimaryScreen(QWidget& window);

namespace detail {

// The top-left corner of the frame of a window whose client area has the size `client`
// and whose frame has the margins `frame`, centred on `screen`: the room left beside the
// outer size, halved toward zero, and raised where needed to the left and top edges of the
// whole `desktop`. The client area then begins at this corner moved by the frame's left and
// top margins.
[[nodiscard]] QPoint CentredFramePosition(const QRect& screen, const QRect& desktop,
                                          const QSize& client, const QMargins& frame);

}  // namespace detail
}  // namespace shell
