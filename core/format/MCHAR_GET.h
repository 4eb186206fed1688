#pragma once

#include <QStringView>

namespace MCHAR_GET
{

// UTF-16 units of the delimiter's first character: 2 for a surrogate pair, otherwise 1.
[[nodiscard]] qsizetype firstCharSize(QStringView delimiter);

} // namespace MCHAR_GET
