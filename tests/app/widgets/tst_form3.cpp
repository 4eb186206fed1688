#include "AppState.h"
#include "DelimiterMenu.h"
#include "Form3.h"
#include "RecordingUserInterface.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

#include <map>
#include <memory>

using namespace Qt::StringLiterals;

class TestForm3 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void controlsAndPlaces_data();
    void controlsAndPlaces();
    void startsInCommaModeInsideTheDialog();
    void placedBelowMainWindow();
    void firstActivationFillsControls_data();
    void firstActivationFillsControls();
    void laterActivationKeepsWhatWasTyped();
    void optionsCoupleTextBox();
    void textBoxTakesOneCharacter();
    void tabKeyTypesATab();
    void textBoxCountsCharacters_data();
    void textBoxCountsCharacters();
    void saveStoresChoice_data();
    void saveStoresChoice();
    void blankDelimiterIsRefused_data();
    void blankDelimiterIsRefused();
    void closingWithoutSaveChangesNothing_data();
    void closingWithoutSaveChangesNothing();
    void menuClearsSheetsOnlyOnChange_data();
    void menuClearsSheetsOnlyOnChange();
    void menuDoesNothingWhileComparing();

private:
    void loadFakeSheets();
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<RecordingUserInterface> m_ui;
    std::unique_ptr<Form3> m_form;
};

void TestForm3::init()
{
    m_state = std::make_unique<AppState>();
    m_ui = std::make_unique<RecordingUserInterface>();
    m_form = std::make_unique<Form3>(*m_state, *m_ui);
}

void TestForm3::cleanup()
{
    m_form.reset();
    m_ui.reset();
    m_state.reset();
}

void TestForm3::loadFakeSheets()
{
    for (int i = 0; i < 2; ++i) {
        Sheet &sheet = m_state->grdData(i);
        sheet.setRows(3);
        sheet.setCols(3);
        sheet.setTextMatrix(1, 1, u"data"_s);
        sheet.setVisible(true);
        m_state->SheetFileName[i] = u"/data/%1.csv"_s.arg(i);
        m_state->fraTool[i].visible = true;
        m_state->PicFile[i].drawText(100, 100, m_state->SheetFileName[i]);
    }
}

void TestForm3::controlsAndPlaces_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QPoint>("place"); // twips

    QTest::newRow("Label1") << u"Label1"_s << u"読み込むファイルの区切り文字を指定します"_s << QPoint(120, 120);
    QTest::newRow("optKukan(0)") << u"optKukan(0)"_s << u"カンマ(,)を区切り文字とする（高速）"_s << QPoint(120, 480);
    QTest::newRow("optKukan(1)") << u"optKukan(1)"_s << u"区切り文字を指定"_s << QPoint(120, 840);
    QTest::newRow("cmdSave") << u"cmdSave"_s << u"保存"_s << QPoint(3480, 960);
    QTest::newRow("cmdEnd") << u"cmdEnd"_s << u"取消"_s << QPoint(4800, 960);
}

void TestForm3::controlsAndPlaces()
{
    QFETCH(QString, control);
    QFETCH(QString, caption);
    QFETCH(QPoint, place);
    Form3 &form = *m_form;
    const std::map<QString, QWidget *> controls{{u"Label1"_s, form.Label1},
                                                {u"optKukan(0)"_s, form.optKukan[0]},
                                                {u"optKukan(1)"_s, form.optKukan[1]},
                                                {u"cmdSave"_s, form.cmdSave},
                                                {u"cmdEnd"_s, form.cmdEnd}};
    const QWidget *widget = controls.at(control);
    QCOMPARE(widget->property("text").toString(), caption);
    const Twips twips(form.screen()->logicalDotsPerInch());
    QCOMPARE(widget->pos(), QPoint(twips.toPixels(place.x()), twips.toPixels(place.y())));
}

void TestForm3::startsInCommaModeInsideTheDialog()
{
    Form3 &form = *m_form;
    QCOMPARE(form.windowTitle(), u"区切り文字設定"_s);
    QVERIFY(form.cmdSave->isDefault());
    QVERIFY(!form.cmdEnd->isDefault());
    QVERIFY(form.optKukan[0]->isChecked());
    QVERIFY(!form.optKukan[1]->isChecked());
    QCOMPARE(form.txtKukan->text(), u"|"_s);
    QVERIFY(!form.txtKukan->isEnabled());

    const Twips twips(form.screen()->logicalDotsPerInch());
    QCOMPARE(form.txtKukan->y(), twips.toPixels(840));
    QVERIFY(form.txtKukan->x() > form.optKukan[1]->geometry().right());
    // Every control lies inside the dialog, whatever the font made of its size.
    for (QWidget *child : form.findChildren<QWidget *>())
        QVERIFY2(form.rect().contains(child->geometry()), qPrintable(child->metaObject()->className()));
    QVERIFY(!form.cmdSave->geometry().intersects(form.cmdEnd->geometry()));
    QVERIFY(!form.txtKukan->geometry().intersects(form.cmdSave->geometry()));
}

void TestForm3::placedBelowMainWindow()
{
    QWidget mainWindow;
    mainWindow.setGeometry(230, 170, 640, 480);
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));

    Form3 form(*m_state, *m_ui, &mainWindow);
    const Twips twips(mainWindow.screen()->logicalDotsPerInch());
    const QRect frame = mainWindow.frameGeometry();
    QCOMPARE(form.pos(), QPoint(frame.left(), frame.top() + twips.toPixels(650)));
}

void TestForm3::firstActivationFillsControls_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<int>("checkedOption");
    QTest::addColumn<QString>("shownText");

    QTest::newRow("comma mode") << 0 << u";"_s << 0 << u";"_s;
    QTest::newRow("delimiter mode with a TAB") << 1 << u"\t"_s << 1 << u"\t"_s;
    QTest::newRow("unknown mode keeps the comma option") << 5 << u":"_s << 0 << u":"_s;
    QTest::newRow("comma mode with no delimiter") << 0 << QString() << 0 << QString();
    QTest::newRow("hand-edited long delimiter is shown whole") << 1 << u"::"_s << 1 << u"::"_s;
}

void TestForm3::firstActivationFillsControls()
{
    QFETCH(int, mode);
    QFETCH(QString, delimiter);
    QFETCH(int, checkedOption);
    QFETCH(QString, shownText);

    m_state->DelimiterMode = mode;
    m_state->UserDelimiter = delimiter;
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));

    QVERIFY(m_form->optKukan[checkedOption]->isChecked());
    QVERIFY(!m_form->optKukan[1 - checkedOption]->isChecked());
    QCOMPARE(m_form->txtKukan->text(), shownText);
    QCOMPARE(m_form->txtKukan->isEnabled(), checkedOption == 1);
    // With the delimiter option the box is ready for typing over the delimiter shown.
    QCOMPARE(m_form->txtKukan->hasFocus(), checkedOption == 1);
    QCOMPARE(m_form->txtKukan->selectedText(), checkedOption == 1 ? shownText : QString());
    // Showing the dialog changes no setting.
    QCOMPARE(m_state->DelimiterMode, mode);
    QCOMPARE(m_state->UserDelimiter, delimiter);
}

void TestForm3::laterActivationKeepsWhatWasTyped()
{
    m_state->DelimiterMode = 1;
    m_state->UserDelimiter = u";"_s;
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    m_form->txtKukan->setText(u"#"_s);
    m_form->optKukan[0]->setChecked(true);

    m_form->hide();
    m_form->show();
    m_form->Form_Activate();

    QCOMPARE(m_form->txtKukan->text(), u"#"_s);
    QVERIFY(m_form->optKukan[0]->isChecked());
}

void TestForm3::optionsCoupleTextBox()
{
    m_state->UserDelimiter = u"#"_s;
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    QVERIFY(!m_form->txtKukan->isEnabled());

    QTest::mouseClick(m_form->optKukan[1], Qt::LeftButton);
    QVERIFY(m_form->optKukan[1]->isChecked());
    QVERIFY(m_form->txtKukan->isEnabled());
    QVERIFY(m_form->txtKukan->hasFocus());
    QCOMPARE(m_form->txtKukan->selectedText(), u"#"_s);

    // Typing replaces the selected delimiter.
    QTest::keyClicks(m_form->txtKukan, u";"_s);
    QCOMPARE(m_form->txtKukan->text(), u";"_s);

    QTest::mouseClick(m_form->optKukan[0], Qt::LeftButton);
    QVERIFY(m_form->optKukan[0]->isChecked());
    QVERIFY(!m_form->optKukan[1]->isChecked());
    QVERIFY(!m_form->txtKukan->isEnabled());

    // Coming back to the box by the keyboard selects its text again.
    QTest::mouseClick(m_form->optKukan[1], Qt::LeftButton);
    m_form->txtKukan->deselect();
    m_form->cmdSave->setFocus();
    m_form->txtKukan->setFocus(Qt::MouseFocusReason);
    QCOMPARE(m_form->txtKukan->selectedText(), u";"_s);
}

void TestForm3::textBoxTakesOneCharacter()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    QTest::mouseClick(m_form->optKukan[1], Qt::LeftButton);
    QTest::keyClicks(m_form->txtKukan, u"ab"_s);
    QCOMPARE(m_form->txtKukan->text(), u"a"_s);
    m_form->txtKukan->setText(u"xyz"_s);
    QCOMPARE(m_form->txtKukan->text(), u"x"_s);
}

void TestForm3::tabKeyTypesATab()
{
    m_state->DelimiterMode = 1;
    m_state->UserDelimiter = u"|"_s;
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    QLineEdit *box = m_form->txtKukan;
    QVERIFY(box->hasFocus());
    QVERIFY(!m_form->lblTab->isVisible());

    QTest::keyClick(box, Qt::Key_Tab);
    QCOMPARE(box->text(), u"\t"_s);
    QVERIFY(box->hasFocus());
    QVERIFY(m_form->lblTab->isVisible());
    QVERIFY(m_form->lblTab->geometry().left() > box->geometry().right());
    QTest::keyClick(box, Qt::Key_Tab); // the box holds one character
    QCOMPARE(box->text(), u"\t"_s);

    QTest::keyClick(box, Qt::Key_Backtab, Qt::ShiftModifier);
    QVERIFY(!box->hasFocus());
    QTest::mouseClick(m_form->cmdSave, Qt::LeftButton);
    QCOMPARE(m_state->UserDelimiter, u"\t"_s);
}

void TestForm3::textBoxCountsCharacters_data()
{
    QTest::addColumn<QString>("delimiter"); // in the settings when the dialog opens
    QTest::addColumn<QString>("caret"); // "all": the text selected; "start", "end": nothing selected
    QTest::addColumn<QString>("how"); // "input method" commits the text, "paste" inserts it
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");

    QTest::newRow("input method types a character outside the BMP")
        << u"|"_s << u"all"_s << u"input method"_s << u"𠀋"_s << u"𠀋"_s;
    QTest::newRow("second character after it is refused")
        << u"𠀋"_s << u"end"_s << u"input method"_s << u"a"_s << u"𠀋"_s;
    QTest::newRow("second character before it is refused")
        << u"𠀋"_s << u"start"_s << u"input method"_s << u"a"_s << u"𠀋"_s;
    QTest::newRow("character outside the BMP after one is refused whole")
        << u"a"_s << u"end"_s << u"input method"_s << u"😀"_s << u"a"_s;
    QTest::newRow("pasted text keeps its first character") << u"|"_s << u"all"_s << u"paste"_s << u"𠀋x"_s << u"𠀋"_s;
    QTest::newRow("pasted text outside the BMP second") << u"|"_s << u"all"_s << u"paste"_s << u"x𠀋"_s << u"x"_s;
    QTest::newRow("hand-edited delimiter of two such characters keeps both")
        << u"𠀋𠀋"_s << u"end"_s << u"paste"_s << u"a"_s << u"𠀋𠀋"_s;
}

void TestForm3::textBoxCountsCharacters()
{
    QFETCH(QString, delimiter);
    QFETCH(QString, caret);
    QFETCH(QString, how);
    QFETCH(QString, text);
    QFETCH(QString, result);

    m_state->DelimiterMode = 1;
    m_state->UserDelimiter = delimiter;
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    QLineEdit *box = m_form->txtKukan;
    QCOMPARE(box->text(), delimiter);
    if (caret == u"start")
        box->home(false);
    else if (caret == u"end")
        box->end(false);
    QCOMPARE(box->hasSelectedText(), caret == u"all");

    if (how == u"input method") {
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(box, &commit);
    } else {
        box->insert(text);
    }
    QCOMPARE(box->text(), result);

    QTest::mouseClick(m_form->cmdSave, Qt::LeftButton);
    QVERIFY(m_ui->messages.isEmpty());
    QCOMPARE(m_state->UserDelimiter, result);
}

void TestForm3::saveStoresChoice_data()
{
    QTest::addColumn<int>("startMode");
    QTest::addColumn<QString>("startDelimiter");
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("byEnterKey");
    QTest::addColumn<int>("expectedMode");
    QTest::addColumn<QString>("expectedDelimiter");

    QTest::newRow("comma to a TAB") << 0 << u"|"_s << 1 << u"\t"_s << false << 1 << u"\t"_s;
    QTest::newRow("delimiter back to comma keeps the text") << 1 << u";"_s << 0 << u";"_s << false << 0 << u";"_s;
    QTest::newRow("comma mode stores the box even when empty")
        << 0 << u"|"_s << 0 << QString() << false << 0 << QString();
    QTest::newRow("full-width blank is a delimiter") << 0 << u"|"_s << 1 << u"　"_s << false << 1 << u"　"_s;
    QTest::newRow("enter key saves") << 0 << u"|"_s << 1 << u"/"_s << true << 1 << u"/"_s;
}

void TestForm3::saveStoresChoice()
{
    QFETCH(int, startMode);
    QFETCH(QString, startDelimiter);
    QFETCH(int, option);
    QFETCH(QString, typed);
    QFETCH(bool, byEnterKey);
    QFETCH(int, expectedMode);
    QFETCH(QString, expectedDelimiter);

    m_state->DelimiterMode = startMode;
    m_state->UserDelimiter = startDelimiter;
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    m_form->optKukan[1]->setChecked(true);
    m_form->txtKukan->setText(typed);
    m_form->optKukan[option]->setChecked(true);

    if (byEnterKey) {
        // Having passed over "取消" on the way, the box's Enter still saves.
        m_form->cmdEnd->setFocus(Qt::TabFocusReason);
        m_form->txtKukan->setFocus(Qt::TabFocusReason);
        QTest::keyClick(m_form->txtKukan, Qt::Key_Return);
    } else
        QTest::mouseClick(m_form->cmdSave, Qt::LeftButton);

    QCOMPARE(m_form->result(), int(QDialog::Accepted));
    QVERIFY(!m_form->isVisible());
    QCOMPARE(m_state->DelimiterMode, expectedMode);
    QCOMPARE(m_state->UserDelimiter, expectedDelimiter);
    QVERIFY(m_ui->messages.isEmpty());
}

void TestForm3::blankDelimiterIsRefused_data()
{
    QTest::addColumn<QString>("typed");

    QTest::newRow("empty box") << QString();
    QTest::newRow("half-width blank") << u" "_s;
}

void TestForm3::blankDelimiterIsRefused()
{
    QFETCH(QString, typed);

    m_state->DelimiterMode = 0;
    m_state->UserDelimiter = u"|"_s;
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    QTest::mouseClick(m_form->optKukan[1], Qt::LeftButton);
    m_form->txtKukan->setText(typed);

    QTest::mouseClick(m_form->cmdSave, Qt::LeftButton);

    QCOMPARE(m_ui->messages.size(), 1);
    QCOMPARE(m_ui->messages[0].text, u"区間文字を指定して下さい\r\n未入力、ブランクは不可です"_s);
    QCOMPARE(m_ui->messages[0].title, u"設定エラー"_s);
    QCOMPARE(m_ui->messages[0].icon, MessageIcon::Exclamation);
    QVERIFY(m_form->isVisible());
    QCOMPARE(m_state->DelimiterMode, 0);
    QCOMPARE(m_state->UserDelimiter, u"|"_s);

    // The person corrects the box and saves.
    m_form->txtKukan->setText(u";"_s);
    QTest::mouseClick(m_form->cmdSave, Qt::LeftButton);
    QVERIFY(!m_form->isVisible());
    QCOMPARE(m_state->DelimiterMode, 1);
    QCOMPARE(m_state->UserDelimiter, u";"_s);
}

void TestForm3::closingWithoutSaveChangesNothing_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("取消 button") << u"button"_s;
    QTest::newRow("escape key") << u"escape"_s;
    QTest::newRow("close box") << u"close"_s;
    QTest::newRow("enter key on the focused 取消 button") << u"enter on cancel"_s;
}

void TestForm3::closingWithoutSaveChangesNothing()
{
    QFETCH(QString, how);

    m_state->DelimiterMode = 1;
    m_state->UserDelimiter = u";"_s;
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    m_form->txtKukan->setText(u"#"_s);
    QTest::mouseClick(m_form->optKukan[0], Qt::LeftButton);

    if (how == u"button")
        QTest::mouseClick(m_form->cmdEnd, Qt::LeftButton);
    else if (how == u"escape")
        QTest::keyClick(m_form.get(), Qt::Key_Escape);
    else if (how == u"enter on cancel") {
        m_form->cmdEnd->setFocus(Qt::TabFocusReason);
        QTest::keyClick(m_form->cmdEnd, Qt::Key_Return);
    } else
        m_form->close();

    QVERIFY(!m_form->isVisible());
    QCOMPARE(m_form->result(), int(QDialog::Rejected));
    QCOMPARE(m_state->DelimiterMode, 1);
    QCOMPARE(m_state->UserDelimiter, u";"_s);
    QVERIFY(m_ui->messages.isEmpty());
}

void TestForm3::menuClearsSheetsOnlyOnChange_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("save");
    QTest::addColumn<bool>("cleared");

    // Settings before each row: delimiter mode with ";".
    QTest::newRow("cancelled") << 0 << u"#"_s << false << false;
    QTest::newRow("saved without a change") << 1 << u";"_s << true << false;
    QTest::newRow("other character") << 1 << u":"_s << true << true;
    QTest::newRow("other mode, same character") << 0 << u";"_s << true << true;
    // A longer delimiter from a hand-edited settings file, opened and saved as it is.
    QTest::newRow("long delimiter saved without a change") << 1 << QString() << true << false;
}

void TestForm3::menuClearsSheetsOnlyOnChange()
{
    QFETCH(int, option);
    QFETCH(QString, typed);
    QFETCH(bool, save);
    QFETCH(bool, cleared);

    loadFakeSheets();
    m_state->DelimiterMode = 1;
    m_state->UserDelimiter = typed.isEmpty() ? u"<>"_s : u";"_s;

    m_ui->onDelimiterDialog = [&](AppState &) {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        if (!typed.isEmpty())
            m_form->txtKukan->setText(typed);
        m_form->optKukan[option]->setChecked(true);
        QTest::mouseClick(save ? m_form->cmdSave : m_form->cmdEnd, Qt::LeftButton);
    };
    mnuKukan_Click(*m_state, *m_ui);

    QCOMPARE(m_ui->delimiterDialogs, 1);
    QVERIFY(!m_form->isVisible());
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(m_state->grdData(i).isVisible(), !cleared);
        QCOMPARE(m_state->grdData(i).textMatrix(1, 1), cleared ? QString() : u"data"_s);
        QCOMPARE(m_state->fraTool[i].visible, !cleared);
        QCOMPARE(m_state->SheetFileName[i].isEmpty(), cleared);
    }
    if (cleared)
        QCOMPARE(m_state->PicFile[0].texts.at(0).text, u"比較するファイル  1"_s);
}

void TestForm3::menuDoesNothingWhileComparing()
{
    loadFakeSheets();
    m_state->CompareRunning = true;
    m_ui->onDelimiterDialog = [](AppState &state) { state.DelimiterMode = 1; };
    mnuKukan_Click(*m_state, *m_ui);

    QCOMPARE(m_ui->delimiterDialogs, 0);
    QCOMPARE(m_state->DelimiterMode, 0);
    QVERIFY(m_state->grdData(0).isVisible());
}

QTEST_MAIN(TestForm3)
#include "tst_form3.moc"
