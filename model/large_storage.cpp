#include "model/large_storage.h"

#include <sys/mman.h>

#include <cstdint>

namespace model {
namespace {

// The huge page of x86-64, the size of memory that one page-table entry of the middle
// level maps.
constexpr std::uintptr_t kHugePageBytes = std::uintptr_t{2} << 20;

}  // namespace

void AdviseHugePages(const void* data, std::size_t bytes) noexcept {
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (start + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
  const std::uintptr_t end = (start + bytes) & ~(kHugePageBytes - 1);
  // A refusal leaves ordinary pages, which work as well, only slower to fault in.
  if (end > first) ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

}  // namespace model
