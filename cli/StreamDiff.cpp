#include "StreamDiff.h"

#include "CellEquality.h"
#include "DumpCommand.h"
#include "JsonShape.h"
#include "SheetFileReader.h"
#include "SheetStream.h"

#include <QByteArray>

#include <memory>

using namespace Qt::StringLiterals;

namespace
{
// A file in Shift-JIS is found out while it is read, and the comparison then starts again: at
// most once per file.
constexpr int kMostAttempts = 3;

bool anyIs(const std::array<std::unique_ptr<SheetStream>, 2> &streams, SheetStream::Status status)
{
    return streams[0]->status() == status || streams[1]->status() == status;
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
    void restart() override
    {
        m_lines.clear();
        m_count = 0;
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
    for (size_t i = 0; i < 2; ++i) {
        streams[i] = std::make_unique<SheetStream>(delimiterMode, delimiter, options.sheetLimits);
        streams[i]->setPieceBytes(options.pieceBytes);
        const SheetStream::Status opened = streams[i]->open(files[i]);
        if (opened != SheetStream::Status::Ready && opened != SheetStream::Status::End)
            return std::nullopt;
    }
    SheetStream &first = *streams[0];
    SheetStream &second = *streams[1];
    for (int attempt = 0; attempt < kMostAttempts; ++attempt) {
        if (attempt > 0) {
            differences.restart();
            for (const auto &stream : streams) {
                const SheetStream::Status status = stream->rewind();
                if (status != SheetStream::Status::Ready && status != SheetStream::Status::End)
                    return std::nullopt;
            }
        }
        // The common area's columns are known before any row: the column pass gave them.
        const int lastCol = std::min(first.cols(), second.cols()) - 1;
        qint32 count = 0;
        while (true) {
            const bool has0 = first.next();
            const bool has1 = second.next();
            if (anyIs(streams, SheetStream::Status::Restart) || anyIs(streams, SheetStream::Status::NotStreamable))
                break;
            if (!has0 && !has1)
                break;
            if (!has0 || !has1)
                continue; // a row only the longer file has: only its count matters
            const int row = first.row();
            for (int c = 1; c <= lastCol; ++c) {
                const QStringView text0 = first.cell(c);
                const QStringView text1 = second.cell(c);
                if (!cellsEqual(text0, text1)) {
                    differences.differingCell(row, c, text0, text1);
                    ++count;
                }
            }
        }
        if (anyIs(streams, SheetStream::Status::NotStreamable))
            return std::nullopt;
        if (anyIs(streams, SheetStream::Status::Restart))
            continue;

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
    return std::nullopt;
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
