#pragma once

#include <cstddef>

namespace tallyglass {

// Strict UTF-8, as the system's decoder takes it: no overlong forms, no surrogates, nothing
// above U+10FFFF, no truncated sequences.
bool isValidUtf8(const unsigned char* bytes, std::size_t length);

// Converts the engine's internal text (UTF-8 in which characters outside the Basic
// Multilingual Plane may appear as surrogate pairs, and lone surrogates may occur) to UTF-8:
// pairs are joined, a lone surrogate becomes U+FFFD, other bytes pass through. The result is
// never longer than the input; out may equal in. Returns the length written.
std::size_t internalToUtf8(const unsigned char* in, std::size_t length, unsigned char* out);

} // namespace tallyglass
