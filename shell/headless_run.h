#pragma once

// The program without a window, for scripts and build pipelines: the import, the generation
// and the export of the window's three commands, run on the command line's request, with
// the window's results and messages.

#include <QString>

#include "shell/command_line.h"

namespace shell {

// Exit codes besides 0 (everything written) and kUsageErrorExitCode.
inline constexpr int kErrorExitCode = 1;
inline constexpr int kLimitExitCode = 3;

// Imports peakFile ("-": standard input), reads the request's spacing as the window reads
// its spacing box, generates, and exports the process to the request's output ("-":
// standard output, written as it is formatted), replacing a file as the window's export
// does; then draws the plot, if one is asked for. The marks are those of the regional
// settings, unless the request names its own.
//
// Returns 0 when everything asked for is written. Returns kErrorExitCode when the file
// cannot be read, a line or the spacing is not a value, the spacing is zero, the file holds
// fewer than three peaks, or an output cannot be written; kLimitExitCode when a segment
// needs more than kMaxSubdivisions steps, and then writes nothing, the plot included; the
// message then names the segment and a spacing with which every segment passes. Each
// failure is told on standard error as "loadgen: " and the text that the window's box
// would show, its line breaks as LF; control characters other than a tab are shown as
// U+FFFD. A failure to write the plot comes after the process has been written. No display
// is needed: the plot is drawn on Qt's offscreen platform, whatever the environment names,
// and without a plot no application object is made at all.
[[nodiscard]] int RunHeadless(const QString& peakFile, const GenerationRequest& request) noexcept;

// Writes the peak file of the request's protocol (see ReadProtocolPeaks) to its output
// ("-": standard output), with the bytes and the file replacement of RunHeadless's export
// and under the same marks. Returns 0 when it is written; kUsageErrorExitCode when a part
// of the request does not read, told on standard error as a usage error, with nothing
// written; kErrorExitCode when the output cannot be written, told as RunHeadless tells it.
[[nodiscard]] int RunProtocol(const ProtocolRequest& request) noexcept;

}  // namespace shell
