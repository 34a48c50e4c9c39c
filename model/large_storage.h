#pragma once

// Storage for sequences of millions of values. Touching fresh memory costs the system a
// page fault for every page, which for a sequence of that size takes longer than computing
// its values; so such storage is taken once at its final size, never holds two copies
// while it grows, and asks for huge pages, which fault once for 2 MiB.

#include <cstddef>
#include <vector>

namespace model {

// Asks the system to back the whole huge pages that [data, data + bytes) holds with huge
// pages when they are first touched; the rest keeps ordinary pages. Only a hint: where
// the system has no huge pages to give, nothing changes.
void AdviseHugePages(const void* data, std::size_t bytes) noexcept;

// Empties values so that they take length elements without growing. Storage that can
// hold them is kept; other storage is released before storage of exactly length elements
// is taken, so that the old and the new never occupy memory at once.
template <class T>
void PrepareStorage(std::vector<T>& values, std::size_t length) {
  values.clear();
  if (values.capacity() >= length) return;
  values = std::vector<T>();
  values.reserve(length);
  AdviseHugePages(values.data(), length * sizeof(T));
}

}  // namespace model
