#include "StreamDiff.h"

#include "CellEquality.h"
#include "DumpCommand.h"
#include "JsonShape.h"
#include "SheetFileReader.h"
#include "SheetStream.h"

#include "Utf8Decoder.h"

#include <QByteArray>

#include <algorithm>
#include <memory>
#include <string_view>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using namespace Qt::StringLiterals;

namespace
{
bool anyIs(const std::array<std::unique_ptr<SheetStream>, 2> &streams, SheetStream::Status status)
{
    return streams[0]->status() == status || streams[1]->status() == status;
}

// The stretch two byte strings start with: its length (n at most), the delimiters in it and the
// place after the last of them (0 when none).
struct SharedStretch
{
    size_t size = 0;
    int delimiters = 0;
    size_t afterLastDelimiter = 0;
};

// Sixteen bytes at a time, with the processor's bit count where it has one.
__attribute__((target_clones("default", "popcnt"))) SharedStretch sharedStretch(const char *a, const char *b, size_t n,
                                                                                char delimiter)
{
    SharedStretch stretch;
    size_t at = 0;
#if defined(__SSE2__)
    const __m128i mark = _mm_set1_epi8(delimiter);
    for (; at + 16 <= n; at += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(a + at));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + at));
        const unsigned same = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y)));
        unsigned marks = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(x, mark)));
        if (same != 0xFFFF)
            marks &= (1u << __builtin_ctz(~same)) - 1;
        if (marks) {
            stretch.delimiters += __builtin_popcount(marks);
            stretch.afterLastDelimiter = at + size_t(32 - __builtin_clz(marks));
        }
        if (same != 0xFFFF) {
            stretch.size = at + size_t(__builtin_ctz(~same));
            return stretch;
        }
    }
#endif
    for (; at < n && a[at] == b[at]; ++at) {
        if (a[at] == delimiter) {
            ++stretch.delimiters;
            stretch.afterLastDelimiter = at + 1;
        }
    }
    stretch.size = at;
    return stretch;
}

// The fields of two raw lines, compared in step: a stretch the two lines share is passed over at
// the speed of a memory comparison, counting the delimiters in it, and only the fields where the
// lines part are cut out and compared. Tells `differing` each column up to lastCol whose fields
// differ, with both fields; a line with fewer fields has empty ones after its last, as the
// reader's rows have.
template<class Differing>
void compareRawLines(std::string_view a, std::string_view b, int lastCol, RawFields fields, Differing &&differing)
{
    constexpr size_t npos = std::string_view::npos;
    const char delimiter = fields.delimiter;
    int col = 1; // a and b start at field col of their lines
    while (true) {
        const SharedStretch shared = sharedStretch(a.data(), b.data(), std::min(a.size(), b.size()), delimiter);
        if (shared.size == a.size() && shared.size == b.size())
            return;
        // Fields wholly inside the shared stretch are equal.
        col += shared.delimiters;
        a.remove_prefix(shared.afterLastDelimiter);
        b.remove_prefix(shared.afterLastDelimiter);
        if (col > lastCol)
            return;
        const size_t aEnd = a.find(delimiter);
        const size_t bEnd = b.find(delimiter);
        const std::string_view fieldA = fields.field(a.substr(0, aEnd));
        const std::string_view fieldB = fields.field(b.substr(0, bEnd));
        if (fieldA != fieldB)
            differing(col, fieldA, fieldB);
        ++col;
        if (aEnd == npos && bEnd == npos)
            return;
        if (aEnd == npos || bEnd == npos) {
            // The other line's remaining fields face empty cells.
            const bool restOfA = bEnd == npos;
            std::string_view rest = restOfA ? a.substr(aEnd + 1) : b.substr(bEnd + 1);
            for (; col <= lastCol; ++col) {
                const size_t end = rest.find(delimiter);
                const std::string_view field = fields.field(rest.substr(0, end));
                if (!field.empty())
                    restOfA ? differing(col, field, std::string_view()) : differing(col, std::string_view(), field);
                if (end == npos)
                    return;
                rest.remove_prefix(end + 1);
            }
            return;
        }
        a.remove_prefix(aEnd + 1);
        b.remove_prefix(bEnd + 1);
    }
}

// A raw field's text for the consumer, decoded into a buffer used again for the next one.
QStringView decodedField(std::string_view bytes, QString &buffer)
{
    buffer.resize(qsizetype(bytes.size()));
    const Utf8Decoder::Decoded decoded
        = Utf8Decoder::decode(bytes.data(), bytes.size(), reinterpret_cast<char16_t *>(buffer.data()));
    return QStringView(buffer).first(qsizetype(decoded.unitsWritten));
}

// Whether a walk over sheets of these shapes would mark any cell magenta.
bool sizesDiffer(const std::array<int, 2> &rows, const std::array<int, 2> &cols)
{
    for (int sheet = 0; sheet < 2; ++sheet) {
        const int other = 1 - sheet;
        if (rows[sheet] > rows[other] && cols[sheet] >= 2)
            return true;
        if (cols[sheet] > cols[other] && rows[sheet] >= 2)
            return true;
    }
    return false;
}

// Collects rowlark-diff's lines for the differing positions as they come.
class OutputLines final : public StreamDifferences
{
public:
    explicit OutputLines(bool json)
        : m_json(json)
    {
    }

    void differingCell(int row, int col, QStringView text0, QStringView text1) override
    {
        if (m_json) {
            m_lines.append(m_count == 0 ? "\n[" : ",\n[");
            m_lines.append(QByteArray::number(row));
            m_lines.append(", ");
            m_lines.append(QByteArray::number(col));
            m_lines.append(", ");
            appendJsonString(m_lines, text0);
            m_lines.append(", ");
            appendJsonString(m_lines, text1);
            m_lines.append(']');
        } else {
            m_lines.append(QByteArray::number(row));
            m_lines.append(',');
            m_lines.append(QByteArray::number(col));
            m_lines.append('\n');
        }
        ++m_count;
    }
    [[nodiscard]] const QByteArray &lines() const
    {
        return m_lines;
    }

private:
    bool m_json;
    qint32 m_count = 0;
    QByteArray m_lines;
};

QByteArray report(const StreamComparison &comparison, const QByteArray &lines, bool json)
{
    // The result message needs the count; the positions behind it are not listed here.
    CompareResult counted = comparison.result;
    counted.differences.resize(size_t(comparison.count));
    QByteArray buffer;
    if (!json) {
        QString message = compareResultMessage(counted);
        message.replace(u"\r\n"_s, u"\n"_s);
        buffer.append(message.toUtf8());
        buffer.append('\n');
        buffer.append(lines);
        return buffer;
    }
    const CompareResult &result = comparison.result;
    buffer.append("{\"differences\": ");
    buffer.append(QByteArray::number(comparison.count));
    appendJsonShape(buffer, result, comparison.complete);
    buffer.append(lines);
    buffer.append(comparison.count == 0 ? "]}\n" : "\n]}\n");
    return buffer;
}
} // namespace

std::optional<StreamComparison> compareFileStreams(const std::array<QString, 2> &files, int delimiterMode,
                                                   const QString &delimiter, const StreamOptions &options,
                                                   StreamDifferences &differences)
{
    std::array<std::unique_ptr<SheetStream>, 2> streams;
    std::array<SheetStream::Status, 2> opened{};
    for (size_t i = 0; i < 2; ++i) {
        streams[i] = std::make_unique<SheetStream>(delimiterMode, delimiter, options.sheetLimits);
        streams[i]->setPieceBytes(options.pieceBytes);
    }
    {
        // The column passes look at every byte of both files: one on each core.
        std::thread second([&] { opened[1] = streams[1]->open(files[1]); });
        opened[0] = streams[0]->open(files[0]);
        second.join();
    }
    for (const SheetStream::Status status : opened) {
        if (status != SheetStream::Status::Ready && status != SheetStream::Status::End)
            return std::nullopt;
    }
    SheetStream &first = *streams[0];
    SheetStream &second = *streams[1];
    // The common area's columns are known before any row: the column pass gave them.
    const int lastCol = std::min(first.cols(), second.cols()) - 1;
    std::array<QString, 2> texts;
    qint32 count = 0;
    int row = 0;
    const auto differingRaw = [&](int col, std::string_view field0, std::string_view field1) {
        differences.differingCell(row, col, decodedField(field0, texts[0]), decodedField(field1, texts[1]));
        ++count;
    };
    while (true) {
        const bool has0 = first.next();
        const bool has1 = second.next();
        if (anyIs(streams, SheetStream::Status::NotStreamable))
            return std::nullopt;
        if (!has0 || !has1) {
            // Rows only the longer file has: only their count matters.
            SheetStream &longer = has0 ? first : second;
            if (has0 || has1) {
                while (longer.next()) { }
            }
            if (longer.status() == SheetStream::Status::NotStreamable)
                return std::nullopt;
            break;
        }
        row = first.row();
        if (first.isRawRow() && second.isRawRow()) {
            const QByteArrayView line0 = first.rawLine();
            const QByteArrayView line1 = second.rawLine();
            compareRawLines(std::string_view(line0.data(), size_t(line0.size())),
                            std::string_view(line1.data(), size_t(line1.size())), lastCol, first.rawFields(),
                            differingRaw);
            continue;
        }
        first.decodeRow();
        second.decodeRow();
        if (anyIs(streams, SheetStream::Status::NotStreamable))
            return std::nullopt;
        for (int c = 1; c <= lastCol; ++c) {
            const QStringView text0 = first.cell(c);
            const QStringView text1 = second.cell(c);
            if (!cellsEqual(text0, text1)) {
                differences.differingCell(row, c, text0, text1);
                ++count;
            }
        }
    }

    StreamComparison comparison;
    comparison.count = count;
    CompareResult &result = comparison.result;
    for (size_t i = 0; i < 2; ++i) {
        result.rows[i] = streams[i]->rows();
        result.cols[i] = streams[i]->cols();
        comparison.complete[i] = streams[i]->result() == MMS_GRID_CSV_READ::ReadResult::Complete;
        comparison.writesBack[i] = streams[i]->writesBackUnchanged();
    }
    result.sizesDiffer = sizesDiffer(result.rows, result.cols);
    return comparison;
}

std::optional<int> runStreamDiff(const CliArguments &arguments, QIODevice &out, QIODevice &err,
                                 const StreamOptions &options)
{
    // Lining up, reports, explanations and comparison options look at whole sheets.
    if (arguments.command != CliArguments::Command::Diff || arguments.align || arguments.explain
        || !arguments.report.isEmpty() || arguments.files.size() != 2 || !arguments.compareOptions.isExact()
        || arguments.listEquivalent)
        return std::nullopt;
    StreamOptions streamOptions = options;
    streamOptions.sheetLimits = streamOptions.sheetLimits && !arguments.noLimit;
    OutputLines lines(arguments.json);
    const std::array<QString, 2> files{arguments.files[0], arguments.files[1]};
    const std::optional<StreamComparison> comparison
        = compareFileStreams(files, arguments.delimiterMode, arguments.delimiter, streamOptions, lines);
    if (!comparison)
        return std::nullopt;

    for (size_t i = 0; i < 2; ++i) {
        if (!comparison->complete[i])
            writeMessageLines(err, files[i] + u": "_s + partialReadMessage().text);
        if (!comparison->writesBack[i])
            writeMessageLines(err, files[i] + u": "_s + notWritableBackMessage().text);
    }
    if (!writeOutput(out, report(*comparison, lines.lines(), arguments.json))) {
        writeMessageLines(err, outputFailedText());
        return kExitTrouble;
    }
    // Rows or columns a file did not yield were not compared: "no difference" would not be true.
    if (!comparison->complete[0] || !comparison->complete[1])
        return kExitIncomplete;
    return (comparison->count > 0 || comparison->result.sizesDiffer) ? kExitDifferent : kExitOk;
}
