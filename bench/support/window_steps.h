#pragma once

// What the benchmarks of the window do before they measure a command: the steps a person
// takes, through the window's own controls and dialogs.

#include <vector>

#include <QString>

namespace shell {
class TForm1;
}

namespace bench {

// Writes the peaks into a peak file, one a line; false when the file cannot be written.
[[nodiscard]] bool WritePeakFile(const QString& path, const std::vector<double>& peaks);

// Clicks the import button and chooses peakFile in the open dialog.
void ImportThroughTheDialog(shell::TForm1& form, const QString& peakFile);

}  // namespace bench
