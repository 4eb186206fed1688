#pragma once

#include "DifferenceReport.h"

#include <QDateTime>

class AppState;
struct CompareResult;
class UserInterface;

// ファイル → 「差分レポートを保存…」: offered once the compare button's comparison has run and
// both sheets are shown.
[[nodiscard]] bool reportMenuEnabled(const AppState &state);

// The report of the sheets as they stand: the comparison's settings and the files taken from the
// window's state, the rows' file rows from the rows inserted to line up.
[[nodiscard]] DifferenceReport reportOfSheets(const AppState &state, const CompareResult &result,
                                              const QDateTime &createdAt);

// Asks where to save the report (HTML, Excel or CSV, as the filter chosen says; the suffix is
// added when the name lacks it) and writes it. A sheet changed since the comparison in a way its
// colours no longer show is compared again in silence first, so that the report and the window
// agree. A failure says 「レポートを保存できませんでした」. Nothing while a comparison runs.
void mnuReport_Click(AppState &state, UserInterface &ui, const QDateTime &now = QDateTime::currentDateTime());
