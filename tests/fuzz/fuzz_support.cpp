#include "tests/fuzz/fuzz_support.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "model/fp_environment.h"

// libFuzzer calls this once, before the first input: the targets compute in the environment
// that the program sets up at start-up.
extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  model::EstablishFloatingPointEnvironment();
  return 0;
}

namespace model::fuzz {

void Fail(std::string_view what) {
  std::fprintf(stderr, "\n*** %.*s\n", static_cast<int>(what.size()), what.data());
  std::abort();
}

std::u16string Utf16Of(std::string_view bytes) {
  std::u16string text(bytes.size() / 2, u'\0');
  std::memcpy(text.data(), bytes.data(), 2 * text.size());
  return text;
}

MemoryFile::MemoryFile() : descriptor_(::memfd_create("fuzz-input", MFD_CLOEXEC)) {
  Require(descriptor_ >= 0, "memfd_create failed");
  const std::string path = "/proc/self/fd/" + std::to_string(descriptor_);
  path_.assign(path.begin(), path.end());
}

MemoryFile::~MemoryFile() { ::close(descriptor_); }

void MemoryFile::Fill(std::string_view bytes, std::size_t offset) {
  Require(::ftruncate(descriptor_, 0) == 0, "ftruncate failed");
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written =
        ::pwrite(descriptor_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    Require(written > 0, "pwrite failed");
    done += static_cast<std::size_t>(written);
  }
  Require(::lseek(descriptor_, static_cast<off_t>(offset), SEEK_SET) >= 0, "lseek failed");
}

}  // namespace model::fuzz
