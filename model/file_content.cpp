#include "model/file_content.h"

#include "model/file_replacement.h"

namespace model {

void WriteFileContent(std::u16string_view path, std::string_view bytes) {
  detail::WriteFileContent(path, [bytes](detail::ContentSink& sink) { sink.Write(bytes); });
}

}  // namespace model
