#pragma once

// The floating-point environment that all arithmetic of the tool runs in: double-extended
// precision, rounding to nearest with ties to even, gradual underflow, and no hardware
// traps. The faults that matter to the tool are found by explicit checks where its
// computations can meet them (a division by a zero spacing, a reading beyond the double
// range) and raised as EZeroDivide, EInvalidOp and EOverflow.

namespace model {

// Sets the environment for the calling thread, pending exception flags cleared. On x86:
// x87 precision control to the 64-bit significand, x87 and SSE rounding to nearest, every
// exception masked, flush-to-zero and denormals-are-zero off. On 64-bit ARM (FPCR):
// rounding to nearest, flush-to-zero and default-NaN off, no traps; double-extended
// arithmetic is computed in software there and needs no setting. The start-up calls it
// before anything else.
void EstablishFloatingPointEnvironment() noexcept;

}  // namespace model
