#include "model/stream_io.h"

#include <string_view>

#include "model/file_descriptor.h"
#include "model/file_replacement.h"
#include "model/line_file_internal.h"
#include "model/peak_import.h"
#include "model/process_export.h"

namespace model {
namespace {

// Hands each piece to the descriptor as it comes, so that a reader may start before the end.
class DescriptorSink final : public detail::ContentSink {
 public:
  explicit DescriptorSink(int descriptor) noexcept : descriptor_(descriptor) {}
  void Write(std::string_view bytes) override { detail::WriteAll(descriptor_, bytes); }

 private:
  int descriptor_;
};

}  // namespace

void ImportPeakStream(int descriptor, std::u16string_view name, ValueMarks marks,
                      std::vector<double>& peakValues, std::vector<double>& loadingProcess) {
  detail::ImportPeaks({name, descriptor}, marks, peakValues, loadingProcess);
}

void ExportLoadingProcessTo(int descriptor, const std::vector<double>& loadingProcess,
                            ValueMarks marks) {
  DescriptorSink sink(descriptor);
  detail::WriteLoadingProcessContent(loadingProcess, marks, sink);
}

}  // namespace model
