#pragma once

// Extended: the one home of the model's double-extended arithmetic.
//
// Intermediate results of the model are carried in the IEEE 754 double-extended format
// with a 64-bit significand and a 15-bit exponent, rounded to nearest with ties to even.
// Two implementations give the same results bit for bit: X87Extended, GCC's 80-bit long
// double on x86, and SoftExtended, the same arithmetic in integers, which every platform
// has. Extended is the x87 type where it exists and the software one elsewhere; defining
// LOADGEN_SOFT_EXTENDED (the CMake option of the same name) chooses the software type on
// x86 too. Nothing else in the model touches long double.
//
// The interface both share:
//   explicit Extended(double)           exact widening
//   FromInteger(uint64), FromBits(ExtendedBits), Infinity(), Bits()
//   + - * / and unary -                 rounded to nearest, ties to even
//   == and <=>                          IEEE comparison, NaN unordered
//   ToDouble()                          to nearest double, ties to even; infinity beyond
//   ToUInt64()                          of a whole number in [0, 2^64)
//   Abs(), Truncate(), RoundToUInt64()  the last for 0 <= value <= 2^63 - 1
//   IsZero(), IsFinite(), IsInfinite(), IsNaN()
//   StepValues(start, step, count, out) out[j - 1] = (Extended(start) + FromInteger(j) *
//                                       Extended(step)).ToDouble() for j = 1 ... count
//
// No operation traps: overflow gives an infinity, an invalid operation a NaN, and the
// callers check for them where the model can meet them.

#include "model/extended_soft.h"
#include "model/extended_x87.h"

namespace model {

#if defined(LOADGEN_HAS_X87_EXTENDED) && !defined(LOADGEN_SOFT_EXTENDED)
using Extended = X87Extended;
#else
using Extended = SoftExtended;
#endif

}  // namespace model
