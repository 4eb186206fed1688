#include "AppState.h"

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
