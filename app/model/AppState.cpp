#include "AppState.h"

#include "WorkbookReader.h"

using namespace Qt::StringLiterals;

namespace
{
const QString kPartialReadMark = u"（一部のみ）"_s;
} // namespace

AppState::AppState(QObject *parent)
    : QObject(parent)
{
    for (int i = 0; i < 2; ++i) {
        m_grdData[i] = std::make_unique<Sheet>(i);
        m_grdBak1[i] = std::make_unique<Sheet>(i);
        m_txtEdit[i] = std::make_unique<EditBox>(i);
    }
}

AppState::~AppState() = default;

QString AppState::sheetStripText(int index) const
{
    const QString name = SheetWorkbookSheet.at(index).isEmpty()
        ? SheetFileName.at(index)
        : workbookSheetLabel(SheetFileName.at(index), SheetWorkbookSheet.at(index));
    return PartialReadFrom.at(index) > 0 ? name + kPartialReadMark : name;
}

void AppState::sheetReplaced(int index, bool forgetSteps)
{
    history.touch(index);
    if (forgetSteps)
        history.clear(index);
    sheetSaved(index);
}

void AppState::sheetSaved(int index)
{
    history.markSaved(index);
    followHistory();
}

void AppState::followHistory()
{
    for (int i = 0; i < 2; ++i) {
        SheetChanged[std::size_t(i)] = history.differsFromFile(i);
        UndoAvailable[std::size_t(i)] = history.canUndo(i);
    }
}
