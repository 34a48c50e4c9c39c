#pragma once

// An open file of the system, closed when the operation that opened it ends, and the
// steps of reading and writing it that every file operation shares.

#include <unistd.h>

#include <string_view>

namespace model::detail {

// Closes the descriptor when the operation ends, also by an error.
class FileDescriptor {
 public:
  explicit FileDescriptor(int descriptor) noexcept : descriptor_(descriptor) {}
  ~FileDescriptor() {
    if (descriptor_ >= 0) ::close(descriptor_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor(FileDescriptor&& other) noexcept : descriptor_(other.descriptor_) {
    other.descriptor_ = -1;
  }
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
      if (descriptor_ >= 0) ::close(descriptor_);
      descriptor_ = other.descriptor_;
      other.descriptor_ = -1;
    }
    return *this;
  }

  int Get() const noexcept { return descriptor_; }
  bool IsOpen() const noexcept { return descriptor_ >= 0; }

  // Closes now and tells whether the system accepted it: some file systems report a
  // failed write only when the file is closed.
  [[nodiscard]] bool Close() noexcept {
    const int descriptor = descriptor_;
    descriptor_ = -1;
    return ::close(descriptor) == 0;
  }

 private:
  int descriptor_;
};

// Whether a read or write that failed with errno is worth trying again: it was
// interrupted, or a non-blocking descriptor, as we open files and as a caller may hand one
// over, said "not now" rather than "never", and has been waited for until it takes events
// (POLLIN, POLLOUT).
[[nodiscard]] bool ReadyToRetry(int descriptor, short events) noexcept;

// Writes all of bytes at the descriptor's offset. Raises EWriteError ("Stream write
// error") when the system takes fewer bytes than asked.
void WriteAll(int descriptor, std::string_view bytes);

// A NUL inside the name would make the system open a file of a shorter name.
[[nodiscard]] inline bool IsNameTheSystemTakes(std::u16string_view path) noexcept {
  return path.find(u'\0') == path.npos;
}

}  // namespace model::detail
