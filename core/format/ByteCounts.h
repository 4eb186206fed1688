#pragma once

#include <QtGlobal>

#include <algorithm>

// The column pass's counts over a file's bytes, for both ways of cutting lines at once: which one
// holds is known only at the end (any CR cuts at CR, and an LF is then text).
struct ByteCounts
{
    char mark = ',';
    qint64 marksSinceCr = 0;
    qint64 marksSinceLf = 0;
    qint64 mostCr = 0;
    qint64 mostLf = 0;
    bool anyCr = false;
    qint64 crs = 0;
    qint64 lfs = 0;

    void lineEnd(char byte)
    {
        if (byte == '\r') {
            anyCr = true;
            ++crs;
            mostCr = std::max(mostCr, marksSinceCr);
            marksSinceCr = 0;
        } else {
            ++lfs;
            mostLf = std::max(mostLf, marksSinceLf);
            marksSinceLf = 0;
        }
    }
    void marks(qint64 count)
    {
        marksSinceCr += count;
        marksSinceLf += count;
    }

    // Counts the bytes in; true when they hold a `quote` byte.
    bool add(const char *bytes, qsizetype size, char quote);

    // The most marks on one line, the last line included, under the line rule the bytes counted
    // settle.
    [[nodiscard]] qint64 mostMarks() const
    {
        return anyCr ? std::max(mostCr, marksSinceCr) : std::max(mostLf, marksSinceLf);
    }

private:
    void addPortably(const char *bytes, qsizetype size);
#if defined(__x86_64__)
    qsizetype addWide(const char *bytes, qsizetype size, char quote, bool &quoted);
#endif
    void lineEnds(quint64 marksMask, quint64 ends, const char *block);
};
