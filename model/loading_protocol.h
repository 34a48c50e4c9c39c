#pragma once

// Published quasi-static loading protocols as peak values: tables of amplitudes, each held
// for a number of full cycles, expanded into the peaks of a peak file.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/value_marks.h"

namespace model {

// `cycles` full cycles of `amplitude`: each cycle is the amplitude, then its negation.
struct ProtocolStep {
  double amplitude = 0;
  int cycles = 0;

  friend bool operator==(const ProtocolStep&, const ProtocolStep&) = default;
};

// The most cycles of one step, and the most steps of a geometric protocol.
inline constexpr int kMaxProtocolCount = 1000;

// A protocol read from its parts, or the reason it cannot be: the fault names the part at
// fault and says what is wrong with it. steps is empty when there is a fault.
struct ProtocolReading {
  std::vector<ProtocolStep> steps;
  std::u16string fault;
};

// The peak values of the steps: 0, then for each step in order its amplitude and the
// negated amplitude, `cycles` times, then 0 again.
[[nodiscard]] std::vector<double> ExpandProtocol(std::span<const ProtocolStep> steps);

// A count of cycles or steps: ASCII digits only, from 1 to kMaxProtocolCount; leading
// zeros are allowed. nullopt for anything else.
[[nodiscard]] std::optional<int> ReadProtocolCount(std::u16string_view text) noexcept;

// Reads a table of pairs AMPLITUDExCOUNT separated by commas ("0.5x6,1x4"). Each amplitude
// is read with ReadValue under marks, as a line of a peak file; each count with
// ReadProtocolCount; "X" may stand for "x". A pair is split at its last "x", so that a
// decimal mark "x" still reads ("1x5x6" is 6 cycles of 1.5). Under a decimal mark ","
// only a comma right after a pair's count ends the pair ("0,5x6,1x4"). The fault quotes
// the pair and tells why it does not read:
//   '0.5x0': the count is not a whole number from 1 to 1000
[[nodiscard]] ProtocolReading ReadProtocolTable(std::u16string_view text, ValueMarks marks);

// The qualifying cycles of AISC 341 for beam-to-column moment connections, as storey drift
// angles in radians, written as the table of ReadProtocolTable reads it.
inline constexpr std::u16string_view kAisc341Table =
    u"0.00375x6,0.005x6,0.0075x6,0.01x4,0.015x2,0.02x2,0.03x2,0.04x2";

// The steps of kAisc341Table, read under the default marks, each amplitude multiplied by
// scale in doubles (by a storey height, say, for displacements). With a scale of 1 they
// are the steps that ReadProtocolTable reads from that table under any decimal mark.
[[nodiscard]] std::vector<ProtocolStep> Aisc341Protocol(double scale);

// The geometric steps of FEMA 461's interim protocol I: `steps` amplitudes, the last one
// `largest`, each one `ratio` times the one before it. Amplitude i of n is largest divided
// by ratio n - i times in succession, each division rounded to a double, so that the
// amplitudes are reproducible to the bit. Each amplitude is then written with FormatValue
// and read back with ReadValue under marks, as a line of the peak file would be, and held
// for `cycles` cycles. The fault quotes the written text of an amplitude that does not
// read back, which only the largest few doubles do:
//   the amplitude 1.79769313486232E308 does not read back: Floating point overflow
// Preconditions: largest above 0, ratio above 1, steps and cycles from 1 to
// kMaxProtocolCount.
[[nodiscard]] ProtocolReading Fema461Protocol(double largest, double ratio, int steps, int cycles,
                                              ValueMarks marks);

}  // namespace model
