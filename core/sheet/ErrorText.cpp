#include "ErrorText.h"

#include "GridError.h"

#include <new>

using namespace Qt::StringLiterals;

namespace
{
const QString kErrorText = u"エラーが発生したため、処理を中止しました"_s;
const QString kGridErrorNumberText = u"（エラー番号 %1）"_s;
const QString kOutOfMemoryText = u"メモリが不足しています"_s;
const QString kErrorTitle = u"エラー"_s;
} // namespace

QString handlerErrorText(const std::exception &error)
{
    if (const auto *gridError = dynamic_cast<const GridError *>(&error))
        return kErrorText + u"\r\n"_s + kGridErrorNumberText.arg(gridError->number());
    if (dynamic_cast<const std::bad_alloc *>(&error))
        return kErrorText + u"\r\n"_s + kOutOfMemoryText;
    return kErrorText;
}

QString handlerErrorTitle()
{
    return kErrorTitle;
}
