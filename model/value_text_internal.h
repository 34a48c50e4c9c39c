#pragma once

// The steps of reading a value, and the scaling by powers of ten that writing shares.

#include <array>
#include <optional>
#include <string_view>

#include "model/extended.h"

namespace model::detail {

// The text without the characters U+0000 to U+0020 at either end. Blank-looking
// characters above U+0020 (no-break space, byte-order mark) stay.
std::u16string_view TrimValueText(std::u16string_view text) noexcept;

// The reading of a trimmed text in double-extended precision, or nullopt when the text is
// not a number. Grammar: [spaces] [+|-] digits [decimalMark digits] [(E|e) [+|-] digits]
// [spaces], with at least one digit or the mark before the exponent. The text ends at its
// first NUL. Exponent digits are taken only while the exponent is below 500, so that one
// digit beyond makes the text not a number. The digits form an integer M, each step
// M = 10 M + digit rounded to double-extended, which is then scaled by the power of ten
// of the exponent less the number of fraction digits. An M or a reading beyond the
// double-extended range makes the text not a number; a reading below it becomes subnormal
// or zero. A "-" gives the negated reading, so "-0" reads as negative zero.
std::optional<Extended> ParseValueText(std::u16string_view trimmed,
                                       char16_t decimalMark) noexcept;

// Every entry is the double-extended number nearest to its power of ten; up to 1e27 they
// are exact.
// 10^k for k = 0 ... 31.
inline constexpr std::array<Extended, 32> kPowersOfTen = {
    Extended::FromLiteral(0x8.000000000000000p-3L),         // 1e0
    Extended::FromLiteral(0xa.000000000000000p+0L),         // 1e1
    Extended::FromLiteral(0xc.800000000000000p+3L),         // 1e2
    Extended::FromLiteral(0xf.a00000000000000p+6L),         // 1e3
    Extended::FromLiteral(0x9.c40000000000000p+10L),        // 1e4
    Extended::FromLiteral(0xc.350000000000000p+13L),        // 1e5
    Extended::FromLiteral(0xf.424000000000000p+16L),        // 1e6
    Extended::FromLiteral(0x9.896800000000000p+20L),        // 1e7
    Extended::FromLiteral(0xb.ebc200000000000p+23L),        // 1e8
    Extended::FromLiteral(0xe.e6b280000000000p+26L),        // 1e9
    Extended::FromLiteral(0x9.502f90000000000p+30L),        // 1e10
    Extended::FromLiteral(0xb.a43b74000000000p+33L),        // 1e11
    Extended::FromLiteral(0xe.8d4a51000000000p+36L),        // 1e12
    Extended::FromLiteral(0x9.184e72a00000000p+40L),        // 1e13
    Extended::FromLiteral(0xb.5e620f480000000p+43L),        // 1e14
    Extended::FromLiteral(0xe.35fa931a0000000p+46L),        // 1e15
    Extended::FromLiteral(0x8.e1bc9bf04000000p+50L),        // 1e16
    Extended::FromLiteral(0xb.1a2bc2ec5000000p+53L),        // 1e17
    Extended::FromLiteral(0xd.e0b6b3a76400000p+56L),        // 1e18
    Extended::FromLiteral(0x8.ac7230489e80000p+60L),        // 1e19
    Extended::FromLiteral(0xa.d78ebc5ac620000p+63L),        // 1e20
    Extended::FromLiteral(0xd.8d726b7177a8000p+66L),        // 1e21
    Extended::FromLiteral(0x8.78678326eac9000p+70L),        // 1e22
    Extended::FromLiteral(0xa.968163f0a57b400p+73L),        // 1e23
    Extended::FromLiteral(0xd.3c21bcecceda100p+76L),        // 1e24
    Extended::FromLiteral(0x8.4595161401484a0p+80L),        // 1e25
    Extended::FromLiteral(0xa.56fa5b99019a5c8p+83L),        // 1e26
    Extended::FromLiteral(0xc.ecb8f27f4200f3ap+86L),        // 1e27
    Extended::FromLiteral(0x8.13f3978f8940984p+90L),        // 1e28
    Extended::FromLiteral(0xa.18f07d736b90be5p+93L),        // 1e29
    Extended::FromLiteral(0xc.9f2c9cd04674edfp+96L),        // 1e30
    Extended::FromLiteral(0xf.c6f7c4045812296p+99L),        // 1e31
};

// 10^(32 k) for k = 1 ... 15.
inline constexpr std::array<Extended, 15> kPowersOfTenBy32 = {
    Extended::FromLiteral(0x9.dc5ada82b70b59ep+103L),       // 1e32
    Extended::FromLiteral(0xc.2781f49ffcfa6d5p+209L),       // 1e64
    Extended::FromLiteral(0xe.fb3ab16c59b14a3p+315L),       // 1e96
    Extended::FromLiteral(0x9.3ba47c980e98ce0p+422L),       // 1e128
    Extended::FromLiteral(0xb.616a12b7fe617aap+528L),       // 1e160
    Extended::FromLiteral(0xe.070f78d3927556bp+634L),       // 1e192
    Extended::FromLiteral(0x8.a5296ffe33cc930p+741L),       // 1e224
    Extended::FromLiteral(0xa.a7eebfb9df9de8ep+847L),       // 1e256
    Extended::FromLiteral(0xd.226fc195c6a2f8cp+953L),       // 1e288
    Extended::FromLiteral(0x8.1842f29f2cce376p+1060L),      // 1e320
    Extended::FromLiteral(0x9.fa42700db900ad2p+1166L),      // 1e352
    Extended::FromLiteral(0xc.4c5e310aef8aa17p+1272L),      // 1e384
    Extended::FromLiteral(0xf.28a9c07e9b09c59p+1378L),      // 1e416
    Extended::FromLiteral(0x9.57a4ae1ebf7f3d4p+1485L),      // 1e448
    Extended::FromLiteral(0xb.83ed8dc0795a262p+1591L),      // 1e480
};

// 10^(512 k) for k = 1 ... 9.
inline constexpr std::array<Extended, 9> kPowersOfTenBy512 = {
    Extended::FromLiteral(0xe.319a0aea60e91c7p+1697L),      // 1e512
    Extended::FromLiteral(0xc.976758681750c17p+3398L),      // 1e1024
    Extended::FromLiteral(0xb.2b8353b3993a7e4p+5099L),      // 1e1536
    Extended::FromLiteral(0x9.e8b3b5dc53d5de5p+6800L),      // 1e2048
    Extended::FromLiteral(0x8.ca554c020a1f0a6p+8501L),      // 1e2560
    Extended::FromLiteral(0xf.9895d25d88b5a8bp+10201L),     // 1e3072
    Extended::FromLiteral(0xd.d5dc8a2bf27f3f8p+11902L),     // 1e3584
    Extended::FromLiteral(0xc.46052028a20979bp+13603L),     // 1e4096
    Extended::FromLiteral(0xa.e3511626ed559f0p+15304L),     // 1e4608
};

// x times 10^n (x divided by 10^-n for a negative n), through at most one entry of each
// table, every multiplication or division rounded to double-extended. The result is an
// infinity for n >= 5120 and zero for n <= -5120. Reading and writing round at exactly
// these steps, so they are part of the results, not an approximation of 10^n.
inline Extended ScaleByPowerOfTen(Extended x, int n) noexcept {
  if (n == 0) return x;
  const bool multiply = n > 0;
  // Negating in unsigned arithmetic keeps INT_MIN defined.
  unsigned exponent = multiply ? static_cast<unsigned>(n) : 0u - static_cast<unsigned>(n);
  if (exponent >= 5120) return multiply ? Extended::Infinity() : Extended();
  const auto apply = [multiply](Extended value, Extended power) {
    return multiply ? value * power : value / power;
  };
  x = apply(x, kPowersOfTen[exponent % 32]);
  exponent /= 32;
  if (exponent == 0) return x;
  if (exponent % 16 != 0) x = apply(x, kPowersOfTenBy32[exponent % 16 - 1]);
  exponent /= 16;
  if (exponent == 0) return x;
  return apply(x, kPowersOfTenBy512[exponent - 1]);
}

}  // namespace model::detail
