#include "model/peak_import.h"

#include "model/line_file_internal.h"
#include "model/value_text.h"

namespace model {

void ImportPeakFile(std::u16string_view path, std::vector<double>& peakValues,
                    std::vector<double>& loadingProcess) {
  peakValues.clear();
  loadingProcess.clear();
  detail::ForEachLineOfFile(path, [&peakValues](std::u16string_view line) {
    peakValues.push_back(ReadValue(line));
  });
}

}  // namespace model
