#include "SheetFileReader.h"

#include "TextCodec.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace
{
const QString kUnreadableText = u"読み込めません"_s;
const QString kUnreadableTitle = u"エラー"_s;
const QString kEmptyText = u"空データは読み込みません"_s;
const QString kEmptyTitle = u"空データ"_s;
const QString kNoDelimiterText
    = u"区切り文字が設定されてません\r\nメニューより「設定」→「区切り文字を設定」を選択して設定して下さい"_s;
const QString kNoDelimiterTitle = u"設定エラー"_s;
const QString kPartialReadText = u"データを全部読めませんでした\r\nデータを分けてdiffを行って下さい"_s;
const QString kPartialReadTitle = u"データでかすぎ"_s;
const QString kRowsReadText = u"1〜%1 行目を読み込みました（上限 %2 行、%3 列）。"_s;
const QString kNoRowReadText = u"読み込めた行はありません（上限 %1 行、%2 列）。"_s;
const QString kNotFoundText = u"ファイルが見つかりません"_s;
const QString kStandardInputText = u"標準入力からは読み込めません。ファイル名を指定して下さい"_s;
const QString kNotRegularFileText = u"通常のファイルではありません"_s;
const QString kNoPermissionText = u"読み取りの権限がありません"_s;
const QString kTooLargeText = u"ファイルが大きすぎます（上限 1 GiB）"_s;
const QString kTooManyFieldsText = u"1 行の項目が多すぎます（上限 32767 個）"_s;
const QString kReadFailedText = u"読み取り中にエラーが発生しました"_s;
const QString kOutOfMemoryText = u"メモリが足りません"_s;
const QString kNotWritableBackText
    = u"このファイルには、読み込んだときと同じバイトで書き戻せない文字が含まれています。\r\n"
      u"ファイルを変えてしまわないよう、上書き保存はできなくなっています。"_s;
const QString kNotWritableBackTitle = u"文字コード"_s;

QString reasonText(UnreadableReason reason)
{
    switch (reason) {
    case UnreadableReason::Unknown:
        break;
    case UnreadableReason::NotFound:
        return kNotFoundText;
    case UnreadableReason::StandardInput:
        return kStandardInputText;
    case UnreadableReason::NotRegularFile:
        return kNotRegularFileText;
    case UnreadableReason::NoPermission:
        return kNoPermissionText;
    case UnreadableReason::TooLarge:
        return kTooLargeText;
    case UnreadableReason::TooManyFields:
        return kTooManyFieldsText;
    case UnreadableReason::ReadFailed:
        return kReadFailedText;
    case UnreadableReason::OutOfMemory:
        return kOutOfMemoryText;
    }
    return {};
}

SheetFileFormat formatOf(QStringView text, TextEncoding encoding, LineRule rule)
{
    SheetFileFormat format;
    format.encoding = encoding;
    // The column pass, which meets every line end, settles on the most common one.
    format.lineEnd = rule == LineRule::Lf ? LineEnd::Lf : LineEnd::CrLf;
    if (!text.isEmpty()) {
        const QChar last = text.back();
        if (last == u'\r')
            format.finalLineEnd = true;
        else if (last == u'\n')
            format.finalLineEnd = rule == LineRule::Lf || (text.size() > 1 && text[text.size() - 2] == u'\r');
        else
            format.finalLineEnd = false;
    }
    return format;
}
} // namespace

LoadMessage loadRefusalMessage(LoadRefusal refusal, UnreadableReason reason, const QString &fileName)
{
    switch (refusal) {
    case LoadRefusal::None:
        break;
    case LoadRefusal::Unreadable: {
        const QString why = reasonText(reason);
        return {why.isEmpty() ? kUnreadableText : kUnreadableText + u"\r\n"_s + why, kUnreadableTitle,
                MessageIcon::Critical};
    }
    case LoadRefusal::Empty:
        return {kEmptyText, kEmptyTitle, MessageIcon::Exclamation};
    case LoadRefusal::NoDelimiter:
        return {kNoDelimiterText, kNoDelimiterTitle, MessageIcon::Exclamation};
    case LoadRefusal::NotText:
        return {EncodingDetection::notTextMessage(fileName), kUnreadableTitle, MessageIcon::Critical};
    }
    return {};
}

LoadMessage partialReadMessage(int firstRowNotRead, int columns)
{
    // The limits the reader applied: rows fewer than 32766 where the cells would not fit.
    const int maxColumns = kMaxRowCol - 1;
    const qsizetype maxRows = MMS_GRID_CSV_READ::sheetLimits(std::clamp(columns, 1, maxColumns)).maxDataRows;
    const int lastRow = firstRowNotRead - 1;
    const QString rows = lastRow >= 1 ? kRowsReadText.arg(lastRow).arg(maxRows).arg(maxColumns)
                                      : kNoRowReadText.arg(maxRows).arg(maxColumns);
    return {kPartialReadText + u"\r\n"_s + rows, kPartialReadTitle, MessageIcon::Critical};
}

LoadMessage notWritableBackMessage()
{
    return {kNotWritableBackText, kNotWritableBackTitle, MessageIcon::Exclamation};
}

SheetFileReader::SheetFileReader(DelimitedFormat format)
    : m_delimited(std::move(format))
{
}

LoadRefusal SheetFileReader::open(const QString &path)
{
    m_opened = false;
    m_text.clear();
    m_pass = {};
    m_fileSize = 0;
    m_writesBackUnchanged = true;
    m_decodingNote.clear();
    m_identity.reset();
    m_unreadableReason = UnreadableReason::Unknown;
    const auto unreadable = [this](UnreadableReason reason) {
        m_unreadableReason = reason;
        return LoadRefusal::Unreadable;
    };

    // The refusals every read of a sheet file makes before a byte is read.
    const FileIntro::Look look = FileIntro::lookAt(path, m_delimited);
    if (look.refusal == LoadRefusal::Unreadable)
        return unreadable(look.reason);
    if (look.refusal != LoadRefusal::None)
        return look.refusal;
    const QByteArray &name = look.name;
    const int descriptor = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return unreadable(FileIntro::reasonForError(errno));
    QFile file;
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return unreadable(UnreadableReason::ReadFailed);
    }
    m_identity = fileIdentityOf(descriptor);
    std::optional<DecodedText> decoded = TextCodec::decodeDevice(file, look.size, FileIntro::kMaxFileBytes,
                                                                 TextCodec::kDefaultPieceBytes, m_chosenEncoding);
    if (!decoded)
        return unreadable(UnreadableReason::ReadFailed);
    if (decoded->binary != EncodingDetection::BinaryKind::None)
        return LoadRefusal::NotText;
    if (decoded->byteCount == 0)
        return LoadRefusal::Empty; // emptied since it was measured
    m_fileSize = decoded->byteCount;

    m_text = std::move(decoded->text);
    m_rule = lineRuleFor(m_text);
    m_format = formatOf(m_text, decoded->encoding, m_rule);
    m_format.alternateCodes = std::move(decoded->alternateCodes);
    if (decoded->mostlyUtf8)
        m_decodingNote = EncodingDetection::notUtf8Note(decoded->firstInvalidLine, decoded->encoding);
    m_writesBackUnchanged = decoded->writesBackUnchanged;
    m_opened = true;
    return LoadRefusal::None;
}

LoadRefusal SheetFileReader::countColumns()
{
    if (!m_opened) {
        m_unreadableReason = UnreadableReason::Unknown;
        return LoadRefusal::Unreadable;
    }
    m_pass = MMS_GRID_CSV_READ::CountColumns(m_text, m_rule, m_delimited);
    m_format.lineEnd = m_pass.lineEnd;
    if (m_pass.ok)
        return LoadRefusal::None;
    m_unreadableReason = UnreadableReason::TooManyFields;
    return LoadRefusal::Unreadable;
}

SheetReadResult SheetFileReader::readData()
{
    SheetReadResult read;
    read.format = m_format;
    MMS_GRID_CSV_READ::ReadOutcome outcome = MMS_GRID_CSV_READ::ReadDelimitedText(
        std::exchange(m_text, QString()), m_rule, m_pass, m_delimited, m_readOptions);
    m_opened = false;
    read.data = std::move(outcome.data);
    read.result = outcome.result;
    m_firstRowNotRead = outcome.firstRowNotRead;
    return read;
}
