#pragma once

#include <cstddef>

// UTF-8 to UTF-16 for reading large files: several times as fast as a general converter on text
// that mixes ASCII with two- and three-byte characters, such as Japanese CSV files. It reads valid
// UTF-8 only and says where it stopped; what to do with invalid bytes (replace them, or read the
// file in another encoding) is the caller's business.
namespace Utf8Decoder
{

struct Decoded
{
    std::size_t bytesRead = 0; // the length of the valid prefix
    std::size_t unitsWritten = 0; // its UTF-16 code units
};

// Decodes the longest prefix of [in, in + size) that is well-formed UTF-8 of whole characters to
// out, which must have room for size code units (never more are needed; the room past the written
// units may be overwritten). Well-formed means no overlong form, no encoded surrogate, nothing
// past U+10FFFF; noncharacters such as U+FFFE are characters. Characters past U+FFFF become
// surrogate pairs. bytesRead is less than size when decoding stopped before a byte that does not
// begin a valid character or begins one that the input ends in the middle of.
[[nodiscard]] Decoded decode(const char *in, std::size_t size, char16_t *out);

// The same without vector instructions: what decode does where they are missing. Also a second
// opinion for tests.
[[nodiscard]] Decoded decodePortable(const char *in, std::size_t size, char16_t *out);

} // namespace Utf8Decoder
