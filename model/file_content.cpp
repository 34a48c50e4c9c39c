#include "model/file_content.h"

#include "model/line_file_internal.h"

namespace model {

void WriteFileContent(std::u16string_view path, std::string_view bytes) {
  detail::WriteFileBytes(path, bytes);
}

}  // namespace model
