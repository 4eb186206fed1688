#include "Settings.h"

#include "AppState.h"
#include "CommandTable.h"
#include "FormatNames.h"
#include "SafeFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace
{
constexpr qsizetype kTagLength = 8;
constexpr int kHistorySize = 5;
// Far more than the seventeen lines the program writes; anything beyond is not ours to read.
constexpr qint64 kMaxSettingsBytes = qint64(1) << 20;

const QString kFileName = u"Rowlark.ini"_s;

const QString kTagTop = u"[TOP   ]"_s;
const QString kTagLeft = u"[LEFT  ]"_s;
const QString kTagHeight = u"[HEIGHT]"_s;
const QString kTagWidth = u"[WIDTH ]"_s;
const QString kTagUndo = u"[UNDO  ]"_s;
const QString kTagDoble = u"[DOBLE ]"_s;
const QString kTagHeadingCaptions = u"[MIDASI]"_s;
const QString kTagGrep = u"[GREP  ]"_s;
const QString kTagTikan = u"[TIKAN ]"_s;
const QString kTagKubun = u"[KUBUN ]"_s;
const QString kTagKukan1 = u"[KUKAN1]"_s;
const QString kTagKukan2 = u"[KUKAN2]"_s;
// The comparison options, as rowlark-diff names them: "ignore-case;numeric=0.5;skip-columns=3, 5-7".
// Written only while one is on, so that a file of the default settings stays as it always was.
const QString kTagHikaku = u"[HIKAKU]"_s;
// The key columns last chosen, as a column list "1, 3-4"; written only once some were chosen.
const QString kTagKeyCol = u"[KEYCOL]"_s;
// The encoding of 「文字コード」, by name (auto, utf-8, shift_jis, …); absent for 自動判定.
const QString kTagMoji = u"[MOJI  ]"_s;
// The folder a file was last opened from, where the open dialogs start; written once there is one.
const QString kTagFolder = u"[FOLDER]"_s;
// The recent files of each side, one line each, most recent first; written only once there are some.
const std::array<QString, 2> kTagRecent{u"[RECNT1]"_s, u"[RECNT2]"_s};

// Files written here are UTF-8. A file that is not valid UTF-8 comes from a Japanese Windows
// system (the program's old home wrote its settings in Shift-JIS), so it is read as that.
QString decodeSettings(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder shiftJis("Shift_JIS");
    if (shiftJis.isValid()) {
        QString sjisText = shiftJis.decode(bytes);
        if (!shiftJis.hasError())
            return sjisText;
    }
    return text; // neither fits: UTF-8 with replacement characters
}

// Lines end with CR LF, LF or a lone CR; a hand-edited file may use any of them.
QList<QStringView> splitLines(QStringView text)
{
    QList<QStringView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

// A number that must fit the 32-bit remembered placement, rounded half to even.
std::optional<int> toInt32(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value);
    if (rounded < double(INT_MIN) || rounded > double(INT_MAX))
        return std::nullopt;
    return int(rounded);
}

// One placement line: the window takes the value, the remembered placement takes the window's
// value. A height or width of zero or less would give a window nobody can use (a minimised or
// maximised run with no placement read at start writes zeros), so the window keeps its own.
// False for a number that does not fit: reading stops there.
bool readPlacement(QStringView value, double &windowValue, int &saved, bool isSize)
{
    const double number = SettingsFormat::readNumber(value);
    if (!toInt32(number))
        return false;
    if (!isSize || number > 0)
        windowValue = number;
    const std::optional<int> rounded = toInt32(windowValue);
    if (!rounded)
        return false;
    saved = *rounded;
    return true;
}

// A line break inside a history entry would split it over two lines of the file and leave the
// rest to be read as a line of its own.
QString singleLine(QString text)
{
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}
} // namespace

namespace SettingsFormat
{
double readNumber(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && text[i] >= u'0' && text[i] <= u'9') {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && text[i] >= u'0' && text[i] <= u'9') {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    qsizetype end = i;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        const qsizetype expStart = j;
        while (j < n && text[j] >= u'0' && text[j] <= u'9')
            ++j;
        if (j > expStart)
            end = j;
    }
    bool ok = false;
    const double value = text.mid(start, end - start).toDouble(&ok);
    if (ok)
        return value;
    // toDouble() refuses what overflows a double; its sign still says which infinity.
    const bool negative = text[start] == u'-';
    return negative ? -HUGE_VAL : HUGE_VAL;
}

QString writeNumber(double value)
{
    if (value == 0.0)
        return u"0"_s; // never "-0"
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}
} // namespace SettingsFormat

QString settingsFilePath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (folder.isEmpty())
        return {};
    return folder + u'/' + kFileName;
}

void LoadSettings(AppState &state, const QString &path)
{
    state.DelimiterMode = 0;
    state.UserDelimiter = u"|"_s;
    // A file without the options' line was written while none was on.
    state.compareOptions = CompareOptions();
    state.keyColumns = KeyColumns();
    state.ChosenEncoding.reset();
    int g = 0;
    int t = 0;

    // Only a regular file: opening a pipe would wait for a writer, and the window would never open.
    QFile file(path);
    if (path.isEmpty() || !QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return;
    QByteArray bytes = file.read(kMaxSettingsBytes);
    if (!file.atEnd()) {
        // Only whole lines of an oversized file: a cut number would be read as another value.
        const qsizetype lastBreak = std::max(bytes.lastIndexOf('\n'), bytes.lastIndexOf('\r'));
        bytes.truncate(lastBreak < 0 ? 0 : lastBreak + 1);
    }
    file.close();

    std::array<QStringList, 2> recent;
    // Whatever ends the reading, the recent files read so far are kept.
    const auto keepRecent = qScopeGuard([&] {
        for (int side = 0; side < 2; ++side)
            state.recentFiles.setFiles(side, recent.at(std::size_t(side)));
    });
    const QString text = decodeSettings(bytes);
    for (const QStringView line : splitLines(text)) {
        if (line.size() < kTagLength)
            continue;
        const QStringView tag = line.left(kTagLength);
        const QStringView value = line.mid(kTagLength);
        // The match-case choice and the delimiter mode are one digit: the 9th character alone.
        const auto firstCharNumber = [&value] { return int(SettingsFormat::readNumber(value.left(1))); };

        if (tag == kTagTop) {
            if (!readPlacement(value, state.windowTop, state.SavedTop, false))
                return;
        } else if (tag == kTagLeft) {
            if (!readPlacement(value, state.windowLeft, state.SavedLeft, false))
                return;
        } else if (tag == kTagHeight) {
            if (!readPlacement(value, state.windowHeight, state.SavedHeight, true))
                return;
        } else if (tag == kTagWidth) {
            if (!readPlacement(value, state.windowWidth, state.SavedWidth, true))
                return;
        } else if (tag == kTagUndo) {
            // A number too large to hold is an error like any other: reading stops there.
            const double number = SettingsFormat::readNumber(value);
            if (!std::isfinite(number))
                return;
            if (number == 0.0)
                state.mnuUndoChecked = false;
        } else if (tag == kTagDoble) {
            const double number = SettingsFormat::readNumber(value);
            if (!std::isfinite(number))
                return;
            if (number == 1.0)
                state.mnuDobleChecked = true;
        } else if (tag == kTagHeadingCaptions) {
            const double number = SettingsFormat::readNumber(value);
            if (!std::isfinite(number))
                return;
            state.mnuHeadingCaptionsChecked = number == 1.0;
        } else if (tag == kTagGrep) {
            // The lists hold five entries; a sixth line ends the reading like any other error.
            if (g >= kHistorySize)
                return;
            state.SearchHistory[g++] = value.toString();
        } else if (tag == kTagTikan) {
            if (t >= kHistorySize)
                return;
            state.ReplaceHistory[t++] = value.toString();
        } else if (tag == kTagKubun) {
            state.MatchCaseSetting = firstCharNumber();
        } else if (tag == kTagKukan1) {
            state.DelimiterMode = firstCharNumber();
        } else if (tag == kTagKukan2) {
            state.UserDelimiter = value.toString();
        } else if (tag == kTagHikaku) {
            state.compareOptions = compareOptionsFromText(value);
        } else if (tag == kTagKeyCol) {
            state.keyColumns.columns = keyColumnsFromText(value);
        } else if (tag == kTagMoji) {
            // A name this version does not know leaves 自動判定.
            std::optional<TextEncoding> encoding;
            if (encodingFromName(value, encoding))
                state.ChosenEncoding = encoding;
        } else if (tag == kTagFolder) {
            state.LastOpenFolder = value.toString();
        } else if (tag == kTagRecent[0] || tag == kTagRecent[1]) {
            recent.at(tag == kTagRecent[0] ? 0 : 1).append(value.toString());
        }
    }
}

bool SaveSettings(const AppState &state, const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return false;

    QString text;
    const auto line = [&text](const QString &tag, const QString &value) {
        text += tag;
        text += value;
        text += u"\r\n"_s;
    };
    // A minimised or maximised window has no placement worth keeping: the one read at start
    // goes back instead.
    if (state.windowShowState == WindowShowState::Normal) {
        line(kTagTop, SettingsFormat::writeNumber(state.windowTop));
        line(kTagLeft, SettingsFormat::writeNumber(state.windowLeft));
        line(kTagHeight, SettingsFormat::writeNumber(state.windowHeight));
        line(kTagWidth, SettingsFormat::writeNumber(state.windowWidth));
    } else {
        line(kTagTop, QString::number(state.SavedTop));
        line(kTagLeft, QString::number(state.SavedLeft));
        line(kTagHeight, QString::number(state.SavedHeight));
        line(kTagWidth, QString::number(state.SavedWidth));
    }
    line(kTagUndo, state.mnuUndoChecked ? u"1"_s : u"0"_s);
    line(kTagDoble, state.mnuDobleChecked ? u"1"_s : u"0"_s);
    // Written only when on, so that a settings file of today reads the same elsewhere.
    if (state.mnuHeadingCaptionsChecked)
        line(kTagHeadingCaptions, u"1"_s);
    for (const QString &entry : state.SearchHistory)
        line(kTagGrep, singleLine(entry));
    for (const QString &entry : state.ReplaceHistory)
        line(kTagTikan, singleLine(entry));
    line(kTagKubun, QString::number(state.MatchCaseSetting));
    line(kTagKukan1, QString::number(state.DelimiterMode));
    line(kTagKukan2, singleLine(state.UserDelimiter));
    if (!state.compareOptions.isExact())
        line(kTagHikaku, compareOptionsText(state.compareOptions));
    if (!state.keyColumns.columns.empty())
        line(kTagKeyCol, keyColumnsText(state.keyColumns.columns));
    if (state.ChosenEncoding)
        line(kTagMoji, encodingKeyName(state.ChosenEncoding));
    if (!state.LastOpenFolder.isEmpty())
        line(kTagFolder, singleLine(state.LastOpenFolder));
    for (int side = 0; side < 2; ++side) {
        for (const QString &file : state.recentFiles.files(side)) {
            // A path with a line break would come back as another path: it is left out.
            if (!file.contains(u'\r') && !file.contains(u'\n'))
                line(kTagRecent.at(std::size_t(side)), file);
        }
    }

    return SafeFileWriter::write(path, text.toUtf8());
}

void mnuUndo_Click(AppState &state)
{
    if (!commandMayRun(state, Command::UndoSetting))
        return;
    state.mnuUndoChecked = !state.mnuUndoChecked;
}

void mnuDoble_Click(AppState &state)
{
    if (!commandMayRun(state, Command::Doble))
        return;
    state.mnuDobleChecked = !state.mnuDobleChecked;
}

void mnuHeadingCaptions_Click(AppState &state)
{
    if (!commandMayRun(state, Command::HeadingCaptions))
        return;
    state.mnuHeadingCaptionsChecked = !state.mnuHeadingCaptionsChecked;
}
