#pragma once

// The steps of reading a value, and the scaling by powers of ten that writing shares.

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "model/extended.h"
#include "model/extended_bits.h"
#include "model/value_marks.h"

namespace model::detail {

// The text without the characters U+0000 to U+0020 at either end. Blank-looking
// characters above U+0020 (no-break space, byte-order mark) stay.
[[nodiscard]] std::u16string_view TrimValueText(std::u16string_view text) noexcept;

// The reading of a trimmed text in double-extended precision, or nullopt when the text is
// not a number. Grammar: [spaces] [+|-] digits [decimalMark digits] [(E|e) [+|-] digits]
// [spaces], with at least one digit or the mark before the exponent. The text ends at its
// first NUL. Exponent digits are taken only while the exponent is below 500, so that one
// digit beyond makes the text not a number. The digits form an integer M, each step
// M = 10 M + digit rounded to double-extended, which is then scaled by the power of ten
// of the exponent less the number of fraction digits. An M or a reading beyond the
// double-extended range makes the text not a number; a reading below it becomes subnormal
// or zero. A "-" gives the negated reading, so "-0" reads as negative zero.
template <class E>
[[nodiscard]] std::optional<E> ParseValueText(std::u16string_view trimmed,
                                              ValueMarks marks) noexcept;

// ReadValue computed in E. Instantiated for SoftExtended and, where it exists, X87Extended,
// so that the two can be compared side by side; ReadValue itself is ReadValueIn<Extended>.
template <class E>
double ReadValueIn(std::u16string_view text, ValueMarks marks);

// Every entry is the double-extended number nearest to its power of ten; up to 1e27 they
// are exact. Written as bit patterns so that both implementations of Extended start from
// the same numbers on every platform, whatever its long double.
// 10^k for k = 0 ... 31.
inline constexpr std::array<ExtendedBits, 32> kPowersOfTenBits = {{
    {0x3FFF, 0x8000'0000'0000'0000},  // 1e0
    {0x4002, 0xA000'0000'0000'0000},  // 1e1
    {0x4005, 0xC800'0000'0000'0000},  // 1e2
    {0x4008, 0xFA00'0000'0000'0000},  // 1e3
    {0x400C, 0x9C40'0000'0000'0000},  // 1e4
    {0x400F, 0xC350'0000'0000'0000},  // 1e5
    {0x4012, 0xF424'0000'0000'0000},  // 1e6
    {0x4016, 0x9896'8000'0000'0000},  // 1e7
    {0x4019, 0xBEBC'2000'0000'0000},  // 1e8
    {0x401C, 0xEE6B'2800'0000'0000},  // 1e9
    {0x4020, 0x9502'F900'0000'0000},  // 1e10
    {0x4023, 0xBA43'B740'0000'0000},  // 1e11
    {0x4026, 0xE8D4'A510'0000'0000},  // 1e12
    {0x402A, 0x9184'E72A'0000'0000},  // 1e13
    {0x402D, 0xB5E6'20F4'8000'0000},  // 1e14
    {0x4030, 0xE35F'A931'A000'0000},  // 1e15
    {0x4034, 0x8E1B'C9BF'0400'0000},  // 1e16
    {0x4037, 0xB1A2'BC2E'C500'0000},  // 1e17
    {0x403A, 0xDE0B'6B3A'7640'0000},  // 1e18
    {0x403E, 0x8AC7'2304'89E8'0000},  // 1e19
    {0x4041, 0xAD78'EBC5'AC62'0000},  // 1e20
    {0x4044, 0xD8D7'26B7'177A'8000},  // 1e21
    {0x4048, 0x8786'7832'6EAC'9000},  // 1e22
    {0x404B, 0xA968'163F'0A57'B400},  // 1e23
    {0x404E, 0xD3C2'1BCE'CCED'A100},  // 1e24
    {0x4052, 0x8459'5161'4014'84A0},  // 1e25
    {0x4055, 0xA56F'A5B9'9019'A5C8},  // 1e26
    {0x4058, 0xCECB'8F27'F420'0F3A},  // 1e27
    {0x405C, 0x813F'3978'F894'0984},  // 1e28
    {0x405F, 0xA18F'07D7'36B9'0BE5},  // 1e29
    {0x4062, 0xC9F2'C9CD'0467'4EDF},  // 1e30
    {0x4065, 0xFC6F'7C40'4581'2296},  // 1e31
}};

// 10^(32 k) for k = 1 ... 15.
inline constexpr std::array<ExtendedBits, 15> kPowersOfTenBy32Bits = {{
    {0x4069, 0x9DC5'ADA8'2B70'B59E},  // 1e32
    {0x40D3, 0xC278'1F49'FFCF'A6D5},  // 1e64
    {0x413D, 0xEFB3'AB16'C59B'14A3},  // 1e96
    {0x41A8, 0x93BA'47C9'80E9'8CE0},  // 1e128
    {0x4212, 0xB616'A12B'7FE6'17AA},  // 1e160
    {0x427C, 0xE070'F78D'3927'556B},  // 1e192
    {0x42E7, 0x8A52'96FF'E33C'C930},  // 1e224
    {0x4351, 0xAA7E'EBFB'9DF9'DE8E},  // 1e256
    {0x43BB, 0xD226'FC19'5C6A'2F8C},  // 1e288
    {0x4426, 0x8184'2F29'F2CC'E376},  // 1e320
    {0x4490, 0x9FA4'2700'DB90'0AD2},  // 1e352
    {0x44FA, 0xC4C5'E310'AEF8'AA17},  // 1e384
    {0x4564, 0xF28A'9C07'E9B0'9C59},  // 1e416
    {0x45CF, 0x957A'4AE1'EBF7'F3D4},  // 1e448
    {0x4639, 0xB83E'D8DC'0795'A262},  // 1e480
}};

// 10^(512 k) for k = 1 ... 9.
inline constexpr std::array<ExtendedBits, 9> kPowersOfTenBy512Bits = {{
    {0x46A3, 0xE319'A0AE'A60E'91C7},  // 1e512
    {0x4D48, 0xC976'7586'8175'0C17},  // 1e1024
    {0x53ED, 0xB2B8'353B'3993'A7E4},  // 1e1536
    {0x5A92, 0x9E8B'3B5D'C53D'5DE5},  // 1e2048
    {0x6137, 0x8CA5'54C0'20A1'F0A6},  // 1e2560
    {0x67DB, 0xF989'5D25'D88B'5A8B},  // 1e3072
    {0x6E80, 0xDD5D'C8A2'BF27'F3F8},  // 1e3584
    {0x7525, 0xC460'5202'8A20'979B},  // 1e4096
    {0x7BCA, 0xAE35'1162'6ED5'59F0},  // 1e4608
}};

template <class E, std::size_t N>
constexpr std::array<E, N> FromBitsTable(const std::array<ExtendedBits, N>& table) noexcept {
  std::array<E, N> numbers;
  for (std::size_t i = 0; i < N; ++i) numbers[i] = E::FromBits(table[i]);
  return numbers;
}

template <class E>
inline constexpr std::array<E, 32> kPowersOfTen = FromBitsTable<E>(kPowersOfTenBits);
template <class E>
inline constexpr std::array<E, 15> kPowersOfTenBy32 = FromBitsTable<E>(kPowersOfTenBy32Bits);
template <class E>
inline constexpr std::array<E, 9> kPowersOfTenBy512 = FromBitsTable<E>(kPowersOfTenBy512Bits);

// x times 10^n (x divided by 10^-n for a negative n), through at most one entry of each
// table, every multiplication or division rounded to double-extended. The result is an
// infinity for n >= 5120 and zero for n <= -5120. Reading and writing round at exactly
// these steps, so they are part of the results, not an approximation of 10^n.
template <class E>
[[nodiscard]] E ScaleByPowerOfTen(E x, int n) noexcept {
  if (n == 0) return x;
  const bool multiply = n > 0;
  // Negating in unsigned arithmetic keeps INT_MIN defined.
  unsigned exponent = multiply ? static_cast<unsigned>(n) : 0u - static_cast<unsigned>(n);
  if (exponent >= 5120) return multiply ? E::Infinity() : E();
  const auto apply = [multiply](E value, E power) {
    return multiply ? value * power : value / power;
  };
  x = apply(x, kPowersOfTen<E>[exponent % 32]);
  exponent /= 32;
  if (exponent == 0) return x;
  if (exponent % 16 != 0) x = apply(x, kPowersOfTenBy32<E>[exponent % 16 - 1]);
  exponent /= 16;
  if (exponent == 0) return x;
  return apply(x, kPowersOfTenBy512<E>[exponent - 1]);
}

}  // namespace model::detail
