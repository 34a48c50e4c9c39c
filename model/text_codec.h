#pragma once

// The character encodings of the tool's text files: detection of a byte-order mark, the
// three Unicode decodings, and Windows-1252, the 8-bit code page that stands for the
// system's legacy code page in both directions.
//
// Every function writes into a buffer that the caller sizes from the bounds given here, so
// none of them allocates or fails.

#include <cstddef>
#include <string_view>

namespace model::detail {

enum class TextEncoding { Utf16LittleEndian, Utf16BigEndian, Utf8, Windows1252 };

struct DetectedEncoding {
  TextEncoding encoding;
  // Bytes of the byte-order mark at the start of the file; they are not part of the text.
  std::size_t markLength;
};

// Compares the start of the file with the marks FF FE, FE FF and EF BB BF, in that order;
// a file without one of them is Windows-1252 text. A mark counts only when the file holds
// all of its bytes.
[[nodiscard]] DetectedEncoding DetectEncoding(std::string_view bytes) noexcept;

// Two bytes per code unit; a trailing odd byte is ignored and nothing is validated, so
// unpaired surrogates pass through. Writes bytes.size() / 2 units and returns that count.
std::size_t DecodeUtf16(std::string_view bytes, bool bigEndian, char16_t* out) noexcept;

struct Utf8Decoding {
  bool valid;
  // The number of code units written when valid; otherwise the offset in bytes of the
  // first byte of the first sequence that is not well-formed UTF-8 (a stray or missing
  // continuation byte, an overlong form, a surrogate, a code point above U+10FFFF, or a
  // sequence cut off by the end).
  std::size_t count;
};

// Strict UTF-8 decoding into at most bytes.size() code units.
[[nodiscard]] Utf8Decoding DecodeUtf8(std::string_view bytes, char16_t* out) noexcept;

// UTF-8 decoding that never fails: each byte that starts no well-formed sequence becomes
// U+FFFD. For texts the system hands over (paths, error descriptions) that are meant to be
// UTF-8 but are not checked. Writes at most bytes.size() code units and returns the count.
[[nodiscard]] std::size_t DecodeUtf8Replacing(std::string_view bytes, char16_t* out) noexcept;

// One code unit per byte; every byte decodes, the five bytes that Windows-1252 leaves
// unassigned (81, 8D, 8F, 90, 9D) to the C1 controls of the same number.
void DecodeWindows1252(std::string_view bytes, char16_t* out) noexcept;

// Whether Windows-1252 holds every character of text, so that EncodeWindows1252 puts no
// "?" in place of one.
[[nodiscard]] bool HoldsInWindows1252(std::u16string_view text) noexcept;

// One byte per character; a character that Windows-1252 cannot hold, an unpaired surrogate
// included, becomes "?", and a surrogate pair is one such character. Writes at most
// text.size() bytes and returns the count.
[[nodiscard]] std::size_t EncodeWindows1252(std::u16string_view text, char* out) noexcept;

// UTF-8, which holds every character; an unpaired surrogate, which no encoding holds,
// becomes U+FFFD. Writes at most 3 * text.size() bytes and returns the count.
[[nodiscard]] std::size_t EncodeUtf8(std::u16string_view text, char* out) noexcept;

}  // namespace model::detail
