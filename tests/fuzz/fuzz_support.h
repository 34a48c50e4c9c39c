#pragma once

// What the fuzz targets share: failing so that libFuzzer keeps the input, taking numbers
// from the input's bytes, and a file in memory that the model opens by its path.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

namespace model::fuzz {

// Prints what went wrong and aborts, which libFuzzer reports as a crash and saves the input.
[[noreturn]] void Fail(std::string_view what);

inline void Require(bool condition, std::string_view what) {
  if (!condition) Fail(what);
}

// The bytes libFuzzer made up, taken from the front. What is asked for beyond the end reads
// as zero bytes, so that every input means something.
class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) noexcept
      : rest_(reinterpret_cast<const char*>(data), size) {}

  std::size_t Left() const noexcept { return rest_.size(); }

  std::uint8_t TakeByte() noexcept { return static_cast<std::uint8_t>(Take<1>()[0]); }
  char16_t TakeUnit() noexcept { return Load<char16_t>(Take<2>().data()); }
  double TakeDouble() noexcept { return Load<double>(Take<8>().data()); }

  // The bytes not taken yet.
  std::string_view Rest() noexcept { return std::exchange(rest_, {}); }

 private:
  template <std::size_t N>
  std::array<char, N> Take() noexcept {
    std::array<char, N> bytes{};
    rest_.remove_prefix(rest_.copy(bytes.data(), N));
    return bytes;
  }

  // Little-endian, the byte order of the machines the targets run on.
  template <class T>
  static T Load(const char* bytes) noexcept {
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
  }

  std::string_view rest_;
};

// Code units of UTF-16 text, two bytes each, low byte first; an odd last byte is dropped.
std::u16string Utf16Of(std::string_view bytes);

// A file in memory, named by a path that the model opens as it opens a file on disk: the
// targets read thousands of files a second and leave none behind.
class MemoryFile {
 public:
  MemoryFile();
  ~MemoryFile();
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  // Makes bytes the whole content, and the descriptor's offset start.
  void Fill(std::string_view bytes, std::size_t offset = 0);

  int Descriptor() const noexcept { return descriptor_; }
  const std::u16string& Path() const noexcept { return path_; }

 private:
  int descriptor_;
  std::u16string path_;
};

}  // namespace model::fuzz
