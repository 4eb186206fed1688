#include "AppState.h"
#include "CellDiffCommand.h"
#include "CellEditor.h"
#include "CommandHandlers.h"
#include "CompareEngine.h"
#include "RecordingUserInterface.h"
#include "SaveCommands.h"
#include "WindowSheetFixtures.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{
// What the person sees of a sheet.
struct Seen
{
    QStringList texts;
    QString colours;
    // The texts a save writes: the rows that only line the sheets up left out.
    QStringList forSave;
};

Seen seen(const Sheet &sheet)
{
    Seen shown{wholeSheet(sheet), colourMap(sheet), {}};
    for (int r = 1; r < sheet.rows(); ++r) {
        if (sheet.isFillerRow(r))
            continue;
        QStringList row;
        for (int c = 1; c < sheet.cols(); ++c)
            row << sheet.textMatrix(r, c);
        shown.forSave << row.join(u'\x1f');
    }
    return shown;
}

// The history as the person is promised it, over what they see: each sheet a stack of steps to
// undo and one to redo; a step of both sheets is taken back and done again on both, after the
// other sheet's own later steps; a new step clears the redo steps of the sheets it changed.
struct Model
{
    struct Step
    {
        bool both = false;
        std::array<Seen, 2> undoTo;
        std::array<Seen, 2> redoTo;
        // Changes of each sheet's texts, counted, when the step's states were seen: the colours of a
        // sheet's partner are only promised while the partner's texts stayed as they were.
        std::array<int, 2> undoTouches{};
        std::array<int, 2> redoTouches{};
        // The state of the file the sheet would be saved as, per sheet, before and after.
        std::array<int, 2> undoFile{};
        // A sheet whose own later steps were taken back first, on the way the step went last: its
        // colours on the way back are not promised.
        std::array<bool, 2> coloursUnsure{false, false};
        std::array<int, 2> redoFile{};
    };
    std::vector<Step> steps;
    std::array<std::vector<int>, 2> undo;
    std::array<std::vector<int>, 2> redo;
    std::array<int, 2> touches{};
    std::array<int, 2> file{};
    std::array<int, 2> savedFile{};
    int nextFile = 1;
};
} // namespace

class TestUndoHistory : public QObject
{
    Q_OBJECT

private slots:
    void followsTheModel_data();
    void followsTheModel();
};

void TestUndoHistory::followsTheModel_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed = 1; seed <= 16; ++seed)
        QTest::addRow("random commands, seed %u", seed) << seed;
}

void TestUndoHistory::followsTheModel()
{
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);
    QTemporaryDir dir;
    AppState state;
    RecordingUserInterface ui;
    CellDiffFollower follower;
    fillSheet(state.grdData(0), u"a,b,c|d,e,f|g,h,i|j,k,l"_s);
    fillSheet(state.grdData(1), u"a,b,c|x,e,f|g,h,i"_s);
    state.mnuUndoChecked = true;
    (void)CompareSheets(state, ui, false);
    Model model;

    const auto run = [&](Command command, int sheet) {
        state.ActiveSheet = sheet;
        CommandCall call{state, ui, -1, QString(), follower};
        runCommandHandler(command, call);
    };
    const auto pickCell = [&](int sheet) {
        Sheet &grid = state.grdData(sheet);
        const int row = 1 + int(random.bounded(quint32(grid.rows() - 1)));
        const int col = 1 + int(random.bounded(quint32(grid.cols() - 1)));
        grid.setCurrentCell(row, col);
        select(grid, {row, col, row, col});
    };
    const QStringList words{u"a"_s, u"x"_s, u"q"_s, QString()};

    for (int move = 0; move < 60; ++move) {
        const int sheet = int(random.bounded(2u));
        const std::array<Seen, 2> before{seen(state.grdData(0)), seen(state.grdData(1))};
        const quint32 kind = random.bounded(9u);
        QString what;
        const auto where = [&](std::size_t i) {
            return u"move %1, %2 on sheet %3: sheet %4"_s.arg(move).arg(what).arg(sheet).arg(i);
        };
        if (kind <= 5) {
            pickCell(sheet);
            switch (kind) {
            case 0:
                what = u"paste"_s;
                ui.clipboard = words.at(int(random.bounded(quint32(words.size())))) + u"\r\n"_s;
                run(Command::Peast, sheet);
                break;
            case 1:
                what = u"delete"_s;
                run(Command::Del, sheet);
                break;
            case 2:
                what = u"send"_s;
                run(Command::Send, sheet);
                break;
            case 3:
                what = u"type"_s;
                // A key opens the edit as the person's key does; the word is what they leave in it.
                state.KeyEditArmed = true;
                grdData_KeyPress(state, ui, sheet, 'q');
                state.txtEdit(sheet).setText(words.at(int(random.bounded(quint32(words.size())))));
                EndCellEdit(state, sheet);
                break;
            case 4:
                what = u"rows"_s;
                state.mnuMain.mnuGAddCaption = u"行追加"_s;
                state.mnuMain.mnuGDelCaption = u"行削除"_s;
                run(random.bounded(2u) ? Command::GAdd : Command::GDel, sheet);
                break;
            default:
                what = u"line up"_s;
                run(Command::Align, sheet);
                break;
            }
            const std::array<Seen, 2> after{seen(state.grdData(0)), seen(state.grdData(1))};
            std::array<bool, 2> changed{};
            for (std::size_t i = 0; i < 2; ++i)
                changed[i] = after[i].texts != before[i].texts || after[i].forSave != before[i].forSave;
            // A line-up is a step of both sheets, whichever it changed.
            if (what == u"line up"_s && (changed[0] || changed[1]))
                changed = {true, true};
            if (changed[0] || changed[1]) {
                Model::Step step;
                step.both = changed[0] && changed[1];
                step.undoTo = before;
                step.undoTouches = model.touches;
                step.undoFile = model.file;
                for (std::size_t i = 0; i < 2; ++i) {
                    if (!changed[i])
                        continue;
                    ++model.touches[i];
                    // A change a save would not write out is no change of the file.
                    if (after[i].forSave != before[i].forSave)
                        model.file[i] = model.nextFile++;
                    model.undo[i].push_back(int(model.steps.size()));
                    model.redo[i].clear();
                }
                model.steps.push_back(step);
                // A redo step of both sheets has lost its half on a sheet whose redo steps went.
                for (std::size_t i = 0; i < 2; ++i) {
                    if (!changed[1 - i])
                        continue;
                    std::vector<int> &stack = model.redo[i];
                    const auto both = std::find_if(stack.rbegin(), stack.rend(),
                                                   [&](int s) { return model.steps[std::size_t(s)].both; });
                    if (both != stack.rend())
                        stack.erase(stack.begin(), both.base());
                }
            }
        } else if (kind <= 7) {
            const bool forward = kind == 7;
            what = forward ? u"redo"_s : u"undo"_s;
            std::array<std::vector<int>, 2> &from = forward ? model.redo : model.undo;
            std::array<std::vector<int>, 2> &to = forward ? model.undo : model.redo;
            const auto at = std::size_t(sheet);
            std::optional<int> moved;
            std::optional<std::array<Seen, 2>> expected;
            std::array<bool, 2> coloursKnown{false, false};
            const auto moveOne = [&](std::size_t i, const std::array<Seen, 2> &now) {
                const int s = from[i].back();
                from[i].pop_back();
                to[i].push_back(s);
                Model::Step &step = model.steps[std::size_t(s)];
                const std::array<Seen, 2> target = forward ? step.redoTo : step.undoTo;
                const std::array<int, 2> touchesThen = forward ? step.redoTouches : step.undoTouches;
                const std::array<int, 2> fileThen = forward ? step.redoFile : step.undoFile;
                (forward ? step.undoTo : step.redoTo) = now;
                (forward ? step.undoTouches : step.redoTouches) = model.touches;
                (forward ? step.undoFile : step.redoFile) = model.file;
                model.file[i] = fileThen[i];
                if (step.both)
                    model.file[1 - i] = fileThen[1 - i];
                return std::pair{target, touchesThen};
            };
            if (!from[at].empty()) {
                const int s = from[at].back();
                std::array<Seen, 2> now = before;
                if (model.steps[std::size_t(s)].both) {
                    bool cascaded = false;
                    while (from[1 - at].back() != s) {
                        cascaded = true;
                        const auto [target, then] = moveOne(1 - at, now);
                        now[1 - at].texts = target[1 - at].texts;
                        now[1 - at].forSave = target[1 - at].forSave;
                        ++model.touches[1 - at];
                    }
                    from[1 - at].pop_back();
                    to[1 - at].push_back(s);
                    const auto [target, then] = moveOne(at, now);
                    expected = target;
                    // Colours of the other sheet are promised only where no steps of its own went first.
                    Model::Step &step = model.steps[std::size_t(s)];
                    coloursKnown = {!step.coloursUnsure[0], !step.coloursUnsure[1]};
                    coloursKnown[1 - at] = coloursKnown[1 - at] && !cascaded;
                    step.coloursUnsure = {false, false};
                    step.coloursUnsure[1 - at] = cascaded;
                    ++model.touches[0];
                    ++model.touches[1];
                } else {
                    const int touchesNow = model.touches[1 - at];
                    const auto [target, then] = moveOne(at, now);
                    expected = now;
                    (*expected)[at] = target[at];
                    const bool otherAsThen = then[1 - at] == touchesNow;
                    coloursKnown = {otherAsThen, otherAsThen};
                    if (otherAsThen)
                        (*expected)[1 - at].colours = target[1 - at].colours;
                    ++model.touches[at];
                }
                moved = s;
            }
            run(forward ? Command::Redo : Command::Z, sheet);
            const std::array<Seen, 2> after{seen(state.grdData(0)), seen(state.grdData(1))};
            if (!moved) {
                QCOMPARE(after[0].texts, before[0].texts);
                QCOMPARE(after[1].texts, before[1].texts);
            } else {
                for (std::size_t i = 0; i < 2; ++i) {
                    QVERIFY2(after[i].texts == (*expected)[i].texts, qPrintable(where(i)));
                    QVERIFY2(!coloursKnown[i] || after[i].colours == (*expected)[i].colours, qPrintable(where(i)));
                }
            }
        } else {
            what = u"save"_s;
            QVERIFY(SaveSheet(state, ui, sheet, dir.filePath(u"sheet%1.csv"_s.arg(sheet))));
            model.savedFile[std::size_t(sheet)] = model.file[std::size_t(sheet)];
        }
        for (std::size_t i = 0; i < 2; ++i) {
            QVERIFY2(state.UndoAvailable[i] == !model.undo[i].empty(), qPrintable(where(i)));
            QVERIFY2(state.history.canRedo(int(i)) == !model.redo[i].empty(), qPrintable(where(i)));
            QVERIFY2(state.SheetChanged[i] == (model.file[i] != model.savedFile[i]), qPrintable(where(i)));
        }
    }
}

QTEST_GUILESS_MAIN(TestUndoHistory)
#include "tst_undohistory.moc"
