#include "DumpCommand.h"

#include "FormatNames.h"
#include "SheetFileReader.h"
#include "WorkbookLoad.h"

#include <QFileDevice>

using namespace Qt::StringLiterals;

namespace
{
const QString kOutputFailedText = u"結果を出力できませんでした"_s;
} // namespace

bool writeOutput(QIODevice &out, const QByteArray &bytes)
{
    if (out.write(bytes) != bytes.size())
        return false;
    // A file device may hold the bytes back; its flush is where a full disk shows.
    auto *file = qobject_cast<QFileDevice *>(&out);
    return file == nullptr || file->flush();
}

QString outputFailedText()
{
    return kOutputFailedText;
}

QString refusalText(LoadRefusal refusal, UnreadableReason reason, const QString &path)
{
    // The window's message sends the person to its menu; here the setting is an option.
    if (refusal == LoadRefusal::NoDelimiter)
        return u"区切り文字が設定されてません\r\n"
               u"--delimiter C で、区切り文字 C を空白以外の1文字で指定して下さい (例: --delimiter \"|\")"_s;
    return loadRefusalMessage(refusal, reason, path).text;
}

void writeMessageLines(QIODevice &err, const QString &text)
{
    // Messages are written for a message box, lines ended by CR LF; a terminal wants LF.
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    err.write(lines.toUtf8().append('\n'));
}

QByteArray encodingName(TextEncoding encoding)
{
    return encodingDisplayName(encoding).toUtf8();
}

void appendJsonString(QByteArray &out, QStringView text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out.append('"');
    qsizetype runStart = 0;
    const auto flush = [&](qsizetype end) {
        if (end > runStart)
            out.append(text.sliced(runStart, end - runStart).toUtf8());
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        if (ch >= 0x20 && ch != u'"' && ch != u'\\')
            continue;
        flush(i);
        runStart = i + 1;
        switch (ch) {
        case u'"':
            out.append("\\\"");
            break;
        case u'\\':
            out.append("\\\\");
            break;
        case u'\n':
            out.append("\\n");
            break;
        case u'\r':
            out.append("\\r");
            break;
        case u'\t':
            out.append("\\t");
            break;
        default:
            out.append("\\u00");
            out.append(kHex[ch >> 4]);
            out.append(kHex[ch & 0xF]);
            break;
        }
    }
    flush(text.size());
    out.append('"');
}

namespace
{
// The encoding's place says where the texts came from: a workbook has none.
constexpr char kWorkbookEncodingName[] = "workbook";

bool writeSheetJsonAs(QIODevice &out, const SheetData &data, bool complete, const QByteArray &encoding,
                      const QString &workbookSheet);

int dumpWorkbook(const WorkbookLoad &book, QIODevice &out, QIODevice &err)
{
    if (!book.refusal.isEmpty()) {
        writeMessageLines(err, book.refusal);
        return kExitTrouble;
    }
    const bool complete = book.read.result == MMS_GRID_CSV_READ::ReadResult::Complete;
    if (!writeSheetJsonAs(out, book.read.data, complete, kWorkbookEncodingName, book.sheetName)) {
        writeMessageLines(err, kOutputFailedText);
        return kExitTrouble;
    }
    for (const QString &note : book.notes)
        writeMessageLines(err, note);
    if (!complete)
        writeMessageLines(err, book.partialText);
    return complete ? kExitOk : kExitIncomplete;
}
} // namespace

bool writeSheetJson(QIODevice &out, const SheetData &data, bool complete, TextEncoding encoding)
{
    return writeSheetJsonAs(out, data, complete, encodingName(encoding), {});
}

namespace
{
bool writeSheetJsonAs(QIODevice &out, const SheetData &data, bool complete, const QByteArray &encoding,
                      const QString &workbookSheet)
{
    QByteArray buffer;
    buffer.append("{\"rows\": ");
    buffer.append(QByteArray::number(data.rows()));
    buffer.append(", \"cols\": ");
    buffer.append(QByteArray::number(data.cols()));
    buffer.append(", \"complete\": ");
    buffer.append(complete ? "true" : "false");
    buffer.append(", \"encoding\": \"");
    buffer.append(encoding);
    buffer.append('"');
    if (!workbookSheet.isEmpty()) {
        buffer.append(", \"sheet\": ");
        appendJsonString(buffer, workbookSheet);
    }
    buffer.append(", \"cells\": [\n");
    for (int r = 0; r < data.rows(); ++r) {
        buffer.append('[');
        for (int c = 0; c < data.cols(); ++c) {
            if (c > 0)
                buffer.append(", ");
            appendJsonString(buffer, data.text(r, c));
        }
        buffer.append(r + 1 < data.rows() ? "],\n" : "]\n");
        if (buffer.size() > (1 << 20)) {
            if (!writeOutput(out, buffer))
                return false;
            buffer.clear();
        }
    }
    buffer.append("]}\n");
    return writeOutput(out, buffer);
}
} // namespace

int runDump(const CliArguments &arguments, QIODevice &out, QIODevice &err)
{
    if (std::optional<WorkbookLoad> book = loadWorkbook(arguments.files.value(0), arguments.sheets[0], true))
        return dumpWorkbook(*book, out, err);
    SheetFileReader reader({arguments.delimiterMode, arguments.delimiter});
    reader.setEncoding(arguments.encodings[0]);
    LoadRefusal refusal = reader.open(arguments.files.value(0));
    if (refusal == LoadRefusal::None)
        refusal = reader.countColumns();
    if (refusal != LoadRefusal::None) {
        writeMessageLines(err, refusalText(refusal, reader.unreadableReason(), arguments.files.value(0)));
        return kExitTrouble;
    }
    const bool writesBack = reader.writesBackUnchanged();
    if (const QString note = reader.decodingNote(); !note.isEmpty())
        writeMessageLines(err, note);
    const SheetReadResult read = reader.readData();
    const QString partialText = reader.partialReadMessage().text;
    const bool complete = read.result == MMS_GRID_CSV_READ::ReadResult::Complete;
    if (!writeSheetJson(out, read.data, complete, read.format.encoding)) {
        writeMessageLines(err, kOutputFailedText);
        return kExitTrouble;
    }
    if (!complete)
        writeMessageLines(err, partialText);
    if (!writesBack)
        writeMessageLines(err, notWritableBackMessage().text);
    return complete ? kExitOk : kExitIncomplete;
}
