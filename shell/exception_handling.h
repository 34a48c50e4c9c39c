#pragma once

// How an error that leaves an event handler reaches the user. Every handler of the window
// is connected through Guarded, so that no C++ exception unwinds through Qt's own frames:
// the error is caught at the handler's edge and shown in the application error box, and
// the program goes on serving events. A command guards some of its steps itself, and shows
// their errors in the warning box instead (WarnOnFailure).

#include <concepts>
#include <exception>
#include <new>
#include <utility>

#include <QString>

#include "model/errors.h"

namespace shell {

// Cancels a mouse grab in progress, then shows the error with ShowException. Never throws.
void HandleException(const std::exception_ptr& error) noexcept;

// The error as the error box shows it: an error of the program's own type as it is; running
// out of memory as "Out of memory"; any other kind as an error with an empty message.
[[nodiscard]] model::Exception ErrorOf(const std::exception_ptr& error);

// Wraps an event handler so that whatever it throws goes to HandleException. The wrapper
// takes the arguments the handler takes, so that a signal may pass more than it needs.
template <typename Handler>
[[nodiscard]] auto Guarded(Handler handler) {
  // clang-format 14 tears a lambda's requires clause apart.
  // clang-format off
  return [handler = std::move(handler)]<typename... Arguments>(Arguments&&... arguments) -> void
    requires std::invocable<const Handler&, Arguments...>
  {
    try {
      handler(std::forward<Arguments>(arguments)...);
    } catch (...) {
      HandleException(std::current_exception());
    }
  };
  // clang-format on
}

enum class GuardedStep { Other, WritesFile };

// Runs a step that a command guards, the same in the window and without it: an error of the
// program's own type, or running out of memory, is for the warning box, whose text goes to
// warn; every other error, and for a step that writes a file one that cannot be created or
// written (EStreamError), passes on to the application error box. Returns whether the step
// went through.
template <typename Step, typename Warn>
bool WarnOnFailure(Step&& step, Warn&& warn, GuardedStep kind = GuardedStep::Other) {
  const auto textOf = [](const model::Exception& error) {
    return QString::fromStdU16String(error.Message());
  };
  try {
    step();
    return true;
  } catch (const model::EStreamError& error) {
    if (kind == GuardedStep::WritesFile) throw;
    warn(textOf(error));
  } catch (const model::Exception& error) {
    warn(textOf(error));
  } catch (const std::bad_alloc&) {
    warn(textOf(ErrorOf(std::current_exception())));
  }
  return false;
}

}  // namespace shell
