#include "AppState.h"
#include "KeyColumnsDialog.h"
#include "RecordingUserInterface.h"
#include "WindowSheetFixtures.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

class TestKeyColumnsDialog : public QObject
{
    Q_OBJECT

private slots:
    void ticksFollowTheHeadingUntilThePersonSetsIt();
};

// What the person sees and does: the columns with row 1 of each sheet, ticks, the heading box,
// and OK, refused without a column and storing the choice with one.
void TestKeyColumnsDialog::ticksFollowTheHeadingUntilThePersonSetsIt()
{
    AppState state;
    RecordingUserInterface ui;
    fillSheet(state.grdData(0), u"品番,数|A1,1"_s);
    fillSheet(state.grdData(1), u"品番,10|A1,1"_s);
    KeyColumnsDialog dialog(state, ui, KeyColumnsPurpose::Sort);
    QCOMPARE(dialog.windowTitle(), u"キー列で並べ替え"_s);
    QCOMPARE(dialog.cmdOk->text(), u"並べ替え"_s);
    QCOMPARE(dialog.lstColumns->topLevelItemCount(), 2);
    QTreeWidgetItem *second = dialog.lstColumns->topLevelItem(1);
    QCOMPARE(second->text(0) + second->text(1) + second->text(2), u"2列数10"_s);
    QVERIFY(!dialog.chkHeader->isChecked());

    dialog.cmdOk->click();
    QCOMPARE(ui.messages.size(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));

    dialog.lstColumns->topLevelItem(0)->setCheckState(0, Qt::Checked);
    QVERIFY(dialog.chkHeader->isChecked()); // 品番 over A1 in both sheets
    second->setCheckState(0, Qt::Checked);
    QVERIFY(!dialog.chkHeader->isChecked()); // 10 is a number
    dialog.chkHeader->click();
    second->setCheckState(0, Qt::Unchecked);
    QVERIFY(dialog.chkHeader->isChecked()); // the person's choice stays

    dialog.cmdOk->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(state.keyColumns, (KeyColumns{{1}, true}));
}

QTEST_MAIN(TestKeyColumnsDialog)
#include "tst_keycolumnsdialog.moc"
