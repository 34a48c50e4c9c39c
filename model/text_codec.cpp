#include "model/text_codec.h"

#include <array>

namespace model::detail {
namespace {

constexpr char16_t kReplacementCharacter = 0xFFFD;
constexpr char kSubstituteByte = '?';

// The characters of the bytes 80 to 9F; the rest of the code page is Latin-1.
// clang-format off
constexpr std::array<char16_t, 32> kWindows1252HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
// clang-format on

constexpr std::array<char16_t, 256> MakeWindows1252Table() {
  std::array<char16_t, 256> table{};
  for (std::size_t byte = 0; byte < table.size(); ++byte) table[byte] = static_cast<char16_t>(byte);
  for (std::size_t k = 0; k < kWindows1252HighControls.size(); ++k) {
    table[0x80 + k] = kWindows1252HighControls[k];
  }
  return table;
}

constexpr std::array<char16_t, 256> kWindows1252 = MakeWindows1252Table();

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

struct Utf8Sequence {
  // 0 when the bytes at the position start no well-formed sequence.
  std::size_t length;
  char32_t codePoint;
};

// Well-formed sequences as Unicode defines them: no overlong forms, no surrogates,
// nothing above U+10FFFF. The second byte carries the tighter ranges that rule those out.
Utf8Sequence ReadUtf8Sequence(const unsigned char* p, std::size_t available) {
  const unsigned char lead = p[0];
  if (lead < 0x80) return {1, lead};

  std::size_t length = 0;
  unsigned char second_low = 0x80;
  unsigned char second_high = 0xBF;
  char32_t code_point = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code_point = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code_point = lead & 0x0Fu;
    if (lead == 0xE0) second_low = 0xA0;
    if (lead == 0xED) second_high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code_point = lead & 0x07u;
    if (lead == 0xF0) second_low = 0x90;
    if (lead == 0xF4) second_high = 0x8F;
  } else {
    return {0, 0};
  }
  if (available < length || p[1] < second_low || p[1] > second_high) return {0, 0};
  for (std::size_t k = 1; k < length; ++k) {
    if (!IsContinuation(p[k])) return {0, 0};
    code_point = (code_point << 6) | (p[k] & 0x3Fu);
  }
  return {length, code_point};
}

char16_t* AppendUtf16(char32_t code_point, char16_t* out) {
  if (code_point < 0x10000) {
    *out++ = static_cast<char16_t>(code_point);
  } else {
    const char32_t offset = code_point - 0x10000;
    *out++ = static_cast<char16_t>(0xD800 + (offset >> 10));
    *out++ = static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
  }
  return out;
}

char EncodeWindows1252Character(char16_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
  for (std::size_t k = 0; k < kWindows1252HighControls.size(); ++k) {
    if (kWindows1252HighControls[k] == unit) return static_cast<char>(0x80 + k);
  }
  return kSubstituteByte;
}

}  // namespace

DetectedEncoding DetectEncoding(std::string_view bytes) noexcept {
  if (bytes.starts_with("\xFF\xFE")) return {TextEncoding::Utf16LittleEndian, 2};
  if (bytes.starts_with("\xFE\xFF")) return {TextEncoding::Utf16BigEndian, 2};
  if (bytes.starts_with("\xEF\xBB\xBF")) return {TextEncoding::Utf8, 3};
  return {TextEncoding::Windows1252, 0};
}

std::size_t DecodeUtf16(std::string_view bytes, bool bigEndian, char16_t* out) noexcept {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t units = bytes.size() / 2;
  const std::size_t high = bigEndian ? 0 : 1;
  for (std::size_t k = 0; k < units; ++k) {
    out[k] = static_cast<char16_t>((p[2 * k + high] << 8) | p[2 * k + (1 - high)]);
  }
  return units;
}

Utf8Decoding DecodeUtf8(std::string_view bytes, char16_t* out) noexcept {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t size = bytes.size();
  char16_t* const start = out;
  std::size_t i = 0;
  while (i < size) {
    if (p[i] < 0x80) {
      *out++ = p[i++];
      continue;
    }
    const Utf8Sequence sequence = ReadUtf8Sequence(p + i, size - i);
    if (sequence.length == 0) return {false, i};
    out = AppendUtf16(sequence.codePoint, out);
    i += sequence.length;
  }
  return {true, static_cast<std::size_t>(out - start)};
}

std::size_t DecodeUtf8Replacing(std::string_view bytes, char16_t* out) noexcept {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t size = bytes.size();
  char16_t* const start = out;
  std::size_t i = 0;
  while (i < size) {
    const Utf8Sequence sequence = ReadUtf8Sequence(p + i, size - i);
    if (sequence.length == 0) {
      *out++ = kReplacementCharacter;
      ++i;
    } else {
      out = AppendUtf16(sequence.codePoint, out);
      i += sequence.length;
    }
  }
  return static_cast<std::size_t>(out - start);
}

void DecodeWindows1252(std::string_view bytes, char16_t* out) noexcept {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t size = bytes.size();
  // Number files are nearly all ASCII: every byte is widened without the table first, in one
  // pass that the compiler vectorises, and only a text with a byte above ASCII looks it up.
  unsigned char any = 0;
  for (std::size_t k = 0; k < size; ++k) {
    any |= p[k];
    out[k] = p[k];
  }
  if (any < 0x80) return;
  for (std::size_t k = 0; k < size; ++k) out[k] = kWindows1252[p[k]];
}

bool HoldsInWindows1252(std::u16string_view text) noexcept {
  for (const char16_t unit : text) {
    if (unit >= 0x80 && EncodeWindows1252Character(unit) == kSubstituteByte) return false;
  }
  return true;
}

std::size_t EncodeWindows1252(std::u16string_view text, char* out) noexcept {
  char* const start = out;
  for (std::size_t k = 0; k < text.size(); ++k) {
    const char16_t unit = text[k];
    if (unit < 0x80) {
      *out++ = static_cast<char>(unit);
    } else if (IsHighSurrogate(unit) && k + 1 < text.size() && IsLowSurrogate(text[k + 1])) {
      *out++ = kSubstituteByte;
      ++k;
    } else {
      *out++ = EncodeWindows1252Character(unit);
    }
  }
  return static_cast<std::size_t>(out - start);
}

std::size_t EncodeUtf8(std::u16string_view text, char* out) noexcept {
  char* const start = out;
  for (std::size_t k = 0; k < text.size(); ++k) {
    char32_t code_point = text[k];
    if (IsHighSurrogate(text[k]) && k + 1 < text.size() && IsLowSurrogate(text[k + 1])) {
      code_point = 0x10000 + ((code_point - 0xD800) << 10) + (text[k + 1] - 0xDC00);
      ++k;
    } else if (IsHighSurrogate(text[k]) || IsLowSurrogate(text[k])) {
      code_point = kReplacementCharacter;
    }
    if (code_point < 0x80) {
      *out++ = static_cast<char>(code_point);
    } else if (code_point < 0x800) {
      *out++ = static_cast<char>(0xC0 | (code_point >> 6));
      *out++ = static_cast<char>(0x80 | (code_point & 0x3F));
    } else if (code_point < 0x10000) {
      *out++ = static_cast<char>(0xE0 | (code_point >> 12));
      *out++ = static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
      *out++ = static_cast<char>(0x80 | (code_point & 0x3F));
    } else {
      *out++ = static_cast<char>(0xF0 | (code_point >> 18));
      *out++ = static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
      *out++ = static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
      *out++ = static_cast<char>(0x80 | (code_point & 0x3F));
    }
  }
  return static_cast<std::size_t>(out - start);
}

}  // namespace model::detail
