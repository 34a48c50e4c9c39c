#pragma once

// The peak values of a protocol that the command line asks for.

#include <vector>

#include <QString>

#include "model/value_marks.h"
#include "shell/command_line.h"

namespace shell {

// The peaks, or the fault of a usage error: the option at fault and what is wrong with it.
struct ProtocolPeaks {
  std::vector<double> peakValues;
  QString fault;
};

// Reads the request's numbers under marks, as the window reads its spacing box, and
// expands the protocol into its peaks. The table of cycles is read by ReadProtocolTable,
// whose fault follows "--table: ". --scale (default 1) is any value. --largest must be
// above 0 and --ratio (default 1.4) above 1; --steps (default 10) and --cycles (default 2)
// are whole numbers from 1 to kMaxProtocolCount. A text that is not a value gives the
// option and ReadValue's message:
//   --ratio: '1.4.1' is not a valid floating point value
[[nodiscard]] ProtocolPeaks ReadProtocolPeaks(const ProtocolRequest& request,
                                              model::ValueMarks marks);

}  // namespace shell
