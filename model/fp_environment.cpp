#include "model/fp_environment.h"

#include <cstdint>

#if !defined(__x86_64__) && !defined(__i386__)
#error "model/fp_environment.cpp sets the x87 and SSE control words; port it for this platform"
#endif

namespace model {
namespace {

// x87 control word: all six exceptions masked (bits 0-5), precision control 11 = 64-bit
// significand (bits 8-9), rounding control 00 = to nearest (bits 10-11).
constexpr std::uint16_t kX87ControlWord = 0x037F;

// MXCSR: all six exceptions masked (bits 7-12), rounding 00 = to nearest (bits 13-14),
// flush-to-zero (bit 15) and denormals-are-zero (bit 6) off, no flags set.
constexpr std::uint32_t kSseControlWord = 0x1F80;

}  // namespace

void EstablishFloatingPointEnvironment() noexcept {
  const std::uint16_t x87 = kX87ControlWord;
  const std::uint32_t sse = kSseControlWord;
  asm volatile("fnclex\n\tfldcw %0" : : "m"(x87));
  asm volatile("ldmxcsr %0" : : "m"(sse));
}

}  // namespace model
