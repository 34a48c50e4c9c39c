#pragma once

// The marks that number texts follow, passed to every operation that reads or writes a
// number, as fast_float passes its parse options. The window takes them from the user's
// regional settings and a script may name its own, so neither is held by the process.

namespace model {

struct ValueMarks {
  // The one character between the integer and the fraction digits, read and written alike.
  char16_t decimalMark = u'.';
  // The character between groups of three digits; only chart labels write it, and reading
  // never accepts it.
  char16_t groupingMark = u',';

  friend bool operator==(const ValueMarks&, const ValueMarks&) = default;
};

}  // namespace model
