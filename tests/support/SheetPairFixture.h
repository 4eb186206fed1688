#pragma once

#include "AppState.h"
#include "RecordingUserInterface.h"
#include "WindowSheetFixtures.h"

#include <memory>

// A window's state and a recorder for the logic tests that work on the pair of sheets, fresh for
// every test function: the test's init() calls startPair() and its cleanup() stopPair().
class SheetPairFixture
{
protected:
    void startPair()
    {
        m_state = std::make_unique<AppState>();
        m_ui = std::make_unique<RecordingUserInterface>();
    }
    void stopPair()
    {
        m_ui.reset();
        m_state.reset();
    }
    AppState &s()
    {
        return *m_state;
    }
    // Both sheets from text, as fillSheet writes one; `rightHeaderPrefix` makes the second sheet's
    // headers differ from the first's.
    void fillPair(const QString &left, const QString &right, const QString &rightHeaderPrefix = QString())
    {
        fillSheet(m_state->grdData(0), left);
        fillSheet(m_state->grdData(1), right, rightHeaderPrefix);
    }

    std::unique_ptr<AppState> m_state;
    std::unique_ptr<RecordingUserInterface> m_ui;
};
