#include "shell/exception_handling.h"

#include <new>

#include <QWidget>

#include "model/errors.h"
#include "shell/message_boxes.h"

namespace shell {

void HandleException(const std::exception_ptr& error) noexcept {
  try {
    if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    ShowException(ErrorOf(error));
  } catch (...) {
    // The box itself could not be shown (memory is gone); there is nobody left to tell,
    // and the program must still go on.
  }
}

model::Exception ErrorOf(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const model::Exception& exception) {
    return exception;
  } catch (const std::bad_alloc&) {
    return model::Exception(u"Out of memory");
  } catch (...) {
    return model::Exception(u"");
  }
}

}  // namespace shell
