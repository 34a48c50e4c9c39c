#include "model/fp_environment.h"

#include <cstdint>

#if !defined(__x86_64__) && !defined(__i386__) && !defined(__aarch64__)
#error "model/fp_environment.cpp knows the control registers of x86 and 64-bit ARM only"
#endif

namespace model {
namespace {

#if defined(__x86_64__) || defined(__i386__)

// x87 control word: all six exceptions masked (bits 0-5), precision control 11 = 64-bit
// significand (bits 8-9), rounding control 00 = to nearest (bits 10-11).
constexpr std::uint16_t kX87ControlWord = 0x037F;

// MXCSR: all six exceptions masked (bits 7-12), rounding 00 = to nearest (bits 13-14),
// flush-to-zero (bit 15) and denormals-are-zero (bit 6) off, no flags set.
constexpr std::uint32_t kSseControlWord = 0x1F80;

#else

// FPCR: trap enables off (bits 8-12, 15), rounding 00 = to nearest (bits 22-23), and
// flush-to-zero (bit 24), default NaN (bit 25), alternative half precision (bit 26) and
// half-precision flush-to-zero (bit 19) off.
constexpr std::uint64_t kFpcr = 0;

#endif

}  // namespace

void EstablishFloatingPointEnvironment() noexcept {
#if defined(__x86_64__) || defined(__i386__)
  const std::uint16_t x87 = kX87ControlWord;
  const std::uint32_t sse = kSseControlWord;
  asm volatile("fnclex\n\tfldcw %0" : : "m"(x87));
  asm volatile("ldmxcsr %0" : : "m"(sse));
#else
  const std::uint64_t fpcr = kFpcr;
  asm volatile("msr fpcr, %0" : : "r"(fpcr));
  asm volatile("msr fpsr, xzr");
#endif
}

}  // namespace model
