#include "MDROP_GET.h"

#include "LineReader.h"
#include "MWIN_VER.h"
#include "TextCodec.h"

#include <QFile>
#include <QFileInfo>

namespace
{
constexpr QStringView kShortcutSuffix = u".lnk";
constexpr QStringView kNetworkMark = u"\\\\";
constexpr QStringView kDriveMark = u":\\";
constexpr QChar kNameEnd = QChar(29);
constexpr int kWindows9x = 1;
// A shortcut is a few kilobytes; a larger file named like one is scanned only this far.
constexpr qint64 kMaxShortcutBytes = qint64(1) << 20;
} // namespace

namespace MDROP_GET
{

bool DroppedFile::loads() const
{
    switch (status) {
    case DropStatus::NotShortcut:
    case DropStatus::ShortcutWithExtra:
    case DropStatus::ShortcutResolved:
        return true;
    case DropStatus::NoDrivePath:
    case DropStatus::Refused:
        break;
    }
    return false;
}

DroppedFile ResolveDroppedFile(const QString &item)
{
    DroppedFile result;
    if (item.size() < kShortcutSuffix.size() || item.indexOf(kShortcutSuffix) != item.size() - kShortcutSuffix.size()) {
        result.name = item;
        result.status = DropStatus::NotShortcut;
        return result;
    }

    // Only a regular file is read: opening a named pipe would wait for a writer and hang the window.
    if (!QFileInfo(item).isFile())
        return result;
    QFile file(item);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    const QString text = TextCodec::decode(file.read(kMaxShortcutBytes)).text;
    file.close();

    LineReader lines(text, lineRuleFor(text));
    const int platform = MWIN_VER::GetWindowsPlatform();
    // Every read below that finds the end of the text ends the whole scan, keeping the result.
    while (const std::optional<QStringView> line = lines.next()) {
        if (line->contains(kNetworkMark)) {
            result.name = item;
            result.status = DropStatus::Refused;
            break;
        }
        if (line->size() < 3 || line->sliced(1, 2) != kDriveMark)
            continue;
        const qsizetype nameEnd = line->indexOf(kNameEnd);
        result.name = (nameEnd < 0 ? *line : line->first(nameEnd)).toString();
        if (platform == kWindows9x) {
            result.status = DropStatus::ShortcutResolved;
            while (const std::optional<QStringView> extra = lines.next()) {
                if (extra->startsWith(u' ')) {
                    result.name += *extra;
                    result.status = DropStatus::ShortcutWithExtra;
                    break;
                }
            }
            continue;
        }
        result.status = DropStatus::Refused;
        bool foundDollar = false;
        while (const std::optional<QStringView> marker = lines.next()) {
            if (marker->contains(u'$')) {
                foundDollar = true;
                break;
            }
        }
        if (!foundDollar) {
            result.name = item;
            continue;
        }
        result.status = DropStatus::ShortcutResolved;
        const std::optional<QStringView> appended = lines.next();
        if (!appended)
            break;
        result.name += *appended;
        std::optional<QStringView> extra;
        for (int i = 0; i < 3; ++i) {
            extra = lines.next();
            if (!extra)
                break;
        }
        if (!extra)
            break;
        if (extra->size() >= 2) {
            result.name += u' ';
            result.name += *extra;
            result.status = DropStatus::ShortcutWithExtra;
        }
    }
    return result;
}

} // namespace MDROP_GET
