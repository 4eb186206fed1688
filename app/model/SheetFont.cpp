#include "SheetFont.h"

#include <QStringList>

using namespace Qt::StringLiterals;

QFont sheetFont(int pointSize)
{
    QFont font(u"ＭＳ ゴシック"_s, pointSize);
    font.setFamilies(
        {u"ＭＳ ゴシック"_s, u"MS Gothic"_s, u"Noto Sans Mono CJK JP"_s, u"Noto Sans CJK JP"_s, u"monospace"_s});
    font.setStyleHint(QFont::Monospace);
    return font;
}
