#include "AppIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

using namespace Qt::StringLiterals;

namespace
{
const QString kIconResource = u":/rowlark/rowlark.svg"_s;
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
} // namespace

QIcon applicationIcon()
{
    // Drawn here rather than handed to QIcon as a file: QIcon reads SVG only through an image
    // plugin that nothing makes the program depend on, and a missing plugin would leave every
    // window without an icon and without a word.
    QSvgRenderer renderer(kIconResource);
    QIcon icon;
    if (!renderer.isValid())
        return icon;
    for (const int size : kIconSizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
