#pragma once

// Files of any content, replaced as the loading-process file is.

#include <string_view>

namespace model {

// Makes bytes the whole content of the file, replacing it exactly as WriteLineFile does: a
// failure leaves an existing file as it was. Raises EFCreateError and EWriteError with the
// messages of WriteLineFile.
void WriteFileContent(std::u16string_view path, std::string_view bytes);

}  // namespace model
