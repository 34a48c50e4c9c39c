#include "shell/window_placement.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <xcb/xcb.h>

namespace shell {
namespace {

// How long the window manager may take to announce the frame, and how often to look.
constexpr std::chrono::milliseconds kFrameAnswerTimeout(250);
constexpr std::chrono::milliseconds kFrameAnswerPoll(2);

template <typename Reply>
using ReplyPointer = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
ReplyPointer<Reply> Owned(Reply* reply) {
  return ReplyPointer<Reply>(reply, &std::free);
}

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  const auto reply = Owned(xcb_intern_atom_reply(
      connection,
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
      nullptr));
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The 32-bit values of a window's property, none where the window does not have it.
std::vector<std::uint32_t> Property(xcb_connection_t* connection, xcb_window_t window,
                                    xcb_atom_t property, xcb_atom_t type, std::uint32_t longest) {
  const auto reply = Owned(xcb_get_property_reply(
      connection, xcb_get_property(connection, 0, window, property, type, 0, longest), nullptr));
  if (!reply || reply->format != 32) return {};
  const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
  return {values, values + xcb_get_property_value_length(reply.get()) / 4};
}

// The frame that an X11 window manager announces for the window before it is mapped, asked
// for with _NET_REQUEST_FRAME_EXTENTS; none where the program does not run on X11 or the
// window manager does not answer that request.
std::optional<QMargins> AnnouncedFrame(QWindow& window) {
  const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
  if (connection == nullptr) return std::nullopt;
  const auto id = static_cast<xcb_window_t>(window.winId());
  const auto geometry =
      Owned(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr));
  if (!geometry) return std::nullopt;
  const xcb_window_t root = geometry->root;
  const xcb_atom_t request = Atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
  const std::vector<std::uint32_t> supported =
      Property(connection, root, Atom(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 4096);
  if (request == XCB_ATOM_NONE ||
      std::find(supported.begin(), supported.end(), request) == supported.end()) {
    return std::nullopt;
  }

  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = id;
  message.type = request;
  xcb_send_event(connection, 0, root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&message));
  xcb_flush(connection);

  const xcb_atom_t extents = Atom(connection, "_NET_FRAME_EXTENTS");
  const auto deadline = std::chrono::steady_clock::now() + kFrameAnswerTimeout;
  do {
    // Left, right, top and bottom, in the window system's pixels.
    const std::vector<std::uint32_t> sides =
        Property(connection, id, extents, XCB_ATOM_CARDINAL, 4);
    if (sides.size() == 4) {
      const qreal ratio = window.devicePixelRatio();
      const auto logical = [ratio](std::uint32_t side) { return qRound(side / ratio); };
      return QMargins(logical(sides[0]), logical(sides[2]), logical(sides[1]), logical(sides[3]));
    }
    std::this_thread::sleep_for(kFrameAnswerPoll);
  } while (std::chrono::steady_clock::now() < deadline);
  return std::nullopt;
}

void PlaceCentred(QWidget& window, const QScreen& screen, const QMargins& frame) {
  const QPoint corner = detail::CentredFramePosition(screen.geometry(), screen.virtualGeometry(),
                                                     window.size(), frame);
  // Placed by its client area, which the window manager leaves where it was asked to be and
  // frames around it.
  window.setGeometry(QRect(corner + QPoint(frame.left(), frame.top()), window.size()));
}

// Centres the window again on its first exposure, when the window manager has framed it,
// if the frame is not the one it was centred with; then goes.
class FrameWatch : public QObject {
 public:
  FrameWatch(QWidget& window, QScreen& screen, const QMargins& assumed)
      : QObject(window.windowHandle()), window_(window), screen_(&screen), assumed_(assumed) {
    window.windowHandle()->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose && window_.windowHandle()->isExposed()) {
      const QMargins actual = window_.windowHandle()->frameMargins();
      if (actual != assumed_ && screen_ != nullptr) PlaceCentred(window_, *screen_, actual);
      watched->removeEventFilter(this);
      deleteLater();
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QWidget& window_;
  QPointer<QScreen> screen_;
  QMargins assumed_;
};

}  // namespace

void CentreOnPrimaryScreen(QWidget& window) {
  if (QScreen* primary = QGuiApplication::primaryScreen()) CentreOnScreen(window, *primary);
}

void CentreOnScreen(QWidget& window, QScreen& screen) {
  // The frame is asked for on behalf of the native window, which asking for its id creates.
  window.winId();
  QWindow& handle = *window.windowHandle();
  const QMargins frame = AnnouncedFrame(handle).value_or(handle.frameMargins());
  PlaceCentred(window, screen, frame);
  new FrameWatch(window, screen, frame);
}

namespace detail {

QPoint CentredFramePosition(const QRect& screen, const QRect& desktop, const QSize& client,
                            const QMargins& frame) {
  const QSize outer = client.grownBy(frame);
  return {std::max(screen.left() + (screen.width() - outer.width()) / 2, desktop.left()),
          std::max(screen.top() + (screen.height() - outer.height()) / 2, desktop.top())};
}

}  // namespace detail
}  // namespace shell
