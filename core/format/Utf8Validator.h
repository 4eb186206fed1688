#pragma once

#include <cstddef>

// Whether a stream of bytes, given in pieces cut anywhere, is well-formed UTF-8 in the sense of
// Utf8Decoder::decode: the whole input decodes, with no character cut short at its end. Checks
// 32 bytes at a time with table look-ups where the processor has AVX2 (about ten times as fast as
// decoding), byte by byte elsewhere; both give the same answer.
class Utf8Validator
{
public:
    enum class Method { Fastest, Portable };

    explicit Utf8Validator(Method method = Method::Fastest);

    void add(const char *bytes, std::size_t size);
    // Whether everything added is well-formed so far, a character cut short at the end included
    // only once finish() was called.
    [[nodiscard]] bool valid() const
    {
        return !m_error;
    }
    // The input ends here: a character it ends in the middle of is an error.
    void finish();

    // Whether Method::Fastest uses vector instructions on this processor.
    [[nodiscard]] static bool vectorised();

private:
    void addBlock(const unsigned char *block);
    void addPortable(const unsigned char *bytes, std::size_t size);

    bool m_vector;
    bool m_error = false;
    // The byte-by-byte check: continuation bytes still due, and the range the next one must be in.
    int m_due = 0;
    unsigned char m_low = 0x80;
    unsigned char m_high = 0xBF;
    // Bytes not yet checked: fewer than one block, or a character not yet whole.
    unsigned char m_pending[32] = {};
    std::size_t m_pendingSize = 0;
    // The last bytes of the block checked before, which the next block's first bytes continue.
    alignas(32) unsigned char m_previous[32] = {};
};
