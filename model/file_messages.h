#pragma once

// The messages of failed file operations. Each names the file by its path made absolute
// and gives the reason, for instance
//   Cannot open file "/home/ann/peaks.txt". No such file or directory

#include <cstddef>
#include <string_view>

namespace model::detail {

// Raises EFOpenError with the system's description of error.
[[noreturn]] void RaiseOpenError(std::u16string_view path, int error);

// Raises EFOpenError with reason, for a refusal that is ours rather than the system's.
[[noreturn]] void RaiseOpenError(std::u16string_view path, std::u16string_view reason);

// Raises EFCreateError with the system's description of error.
[[noreturn]] void RaiseCreateError(std::u16string_view path, int error);

// Raises EEncodingError: "Cannot read file "<path>". <fault> at byte <offset>".
[[noreturn]] void RaiseEncodingError(std::u16string_view path, std::u16string_view fault,
                                     std::size_t offset);

}  // namespace model::detail
