#include "AppState.h"
#include "Form1.h"
#include "Form1Fixture.h"
#include "Form2.h"
#include "SheetView.h"
#include "Twips.h"
#include "WindowSheetFixtures.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

// The search dialog in the real main window, on the real screen (offscreen), driven with its
// buttons; message boxes are answered with OK and their texts kept.
class TestForm2 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void controlsAreLaidOutInTwips_data();
    void controlsAreLaidOutInTwips();
    void opensFromEitherSheet_data();
    void opensFromEitherSheet();
    void searchCommandRetargetsTheOpenDialog();
    void searchesAndReplacesWithTheButtons();
    void closingStoresTheListsAndMatchCase();
    void closingTheMainWindowDropsWhatWasTyped();
    void busyWindowIgnoresTheSearchCommand();

private:
    Form1 &makeForm(const QByteArray &settings = {});
    [[nodiscard]] Form2 *dialog() const;
    static void type(QComboBox *box, const QString &text);
    static QStringList entries(const QComboBox *box);
    [[nodiscard]] QString settingsText() const;

    Form1Fixture m_fixture;
    QTimer m_boxAnswerer;
    QStringList m_messages; // "title|text" of each message box shown
};

void TestForm2::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_boxAnswerer.setInterval(5);
    connect(&m_boxAnswerer, &QTimer::timeout, this, [this] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            m_messages << box->windowTitle() + u'|' + box->text();
            box->accept();
        }
    });
}

void TestForm2::init()
{
    m_fixture.reset();
    m_messages.clear();
    m_boxAnswerer.start();
}

void TestForm2::cleanup()
{
    m_boxAnswerer.stop();
    m_fixture.reset();
}

Form1 &TestForm2::makeForm(const QByteArray &settings)
{
    Form1Setup setup;
    setup.helpFile = Form1Setup::HelpFile::Missing;
    setup.screen = Form1Setup::Screen::Real;
    setup.settings = settings;
    m_fixture.make(setup);
    // Two sheets side by side.
    m_fixture.form().mnuNew->trigger();
    m_fixture.form().mnuNew->trigger();
    fillSheet(m_fixture.form().state().grdData(0), u"apple,banana,x|cherry,Banana,y|date,BANANA,z"_s);
    fillSheet(m_fixture.form().state().grdData(1), u"one,two|three,four"_s);
    m_fixture.form().syncWidgets();
    return m_fixture.form();
}

Form2 *TestForm2::dialog() const
{
    const QList<Form2 *> dialogs = m_fixture.form().findChildren<Form2 *>();
    return dialogs.size() == 1 ? dialogs.first() : nullptr;
}

void TestForm2::type(QComboBox *box, const QString &text)
{
    box->lineEdit()->selectAll();
    QTest::keyClicks(box->lineEdit(), text);
}

QStringList TestForm2::entries(const QComboBox *box)
{
    QStringList list;
    for (int i = 0; i < box->count(); ++i)
        list << box->itemText(i);
    return list;
}

QString TestForm2::settingsText() const
{
    QFile file(m_fixture.dir().filePath(u"Rowlark.ini"_s));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void TestForm2::controlsAreLaidOutInTwips_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QRect>("place"); // twips, within the client area or the option's frame
    QTest::addColumn<QString>("next"); // the control the tab key moves to; empty: takes no focus

    QTest::newRow("Label1") << u"Label1"_s << u"検索文字列　　　　　置換文字列"_s << QString()
                            << QRect(120, 180, 975, 735) << QString();
    QTest::newRow("cboGrep") << u"cboGrep"_s << QString() << u"検索する文字列"_s << QRect(1080, 120, 2655, 300)
                             << u"cboTikan"_s;
    QTest::newRow("cboTikan") << u"cboTikan"_s << QString() << u"置換する文字列"_s << QRect(1080, 480, 2655, 300)
                              << u"chkKubun"_s;
    QTest::newRow("chkKubun") << u"chkKubun"_s << u"大・小文字を区別する"_s << u"大文字と小文字を区別します。"_s
                              << QRect(3840, 120, 2175, 255) << u"cmdGrep"_s;
    QTest::newRow("Frame1") << u"Frame1"_s << QString() << QString() << QRect(120, 840, 1335, 495) << QString();
    QTest::newRow("optIdx(0)") << u"optIdx(0)"_s << u"ファイル１"_s << QString() << QRect(0, 0, 1215, 255)
                               << u"optMuki(1)"_s;
    QTest::newRow("optIdx(1)") << u"optIdx(1)"_s << u"ファイル２"_s << QString() << QRect(0, 240, 1215, 255)
                               << u"optIdx(0)"_s;
    QTest::newRow("Frame2") << u"Frame2"_s << QString() << QString() << QRect(1560, 840, 735, 495) << QString();
    QTest::newRow("optMuki(0)") << u"optMuki(0)"_s << u"下右"_s << QString() << QRect(0, 0, 735, 255) << u"cboGrep"_s;
    QTest::newRow("optMuki(1)") << u"optMuki(1)"_s << u"上左"_s << QString() << QRect(0, 240, 735, 255)
                                << u"optMuki(0)"_s;
    QTest::newRow("cmdGrep") << u"cmdGrep"_s << u"検索"_s << QString() << QRect(2400, 960, 1095, 375) << u"cmdTikan"_s;
    QTest::newRow("cmdTikan") << u"cmdTikan"_s << u"置換"_s << QString() << QRect(3600, 960, 1095, 375)
                              << u"cmdAllTikan"_s;
    QTest::newRow("cmdEnd") << u"cmdEnd"_s << u"終了"_s << QString() << QRect(4800, 960, 1095, 375) << u"optIdx(1)"_s;
}

void TestForm2::controlsAreLaidOutInTwips()
{
    QFETCH(QString, control);
    QFETCH(QString, caption);
    QFETCH(QString, toolTip);
    QFETCH(QRect, place);
    QFETCH(QString, next);
    makeForm().mnuGrep->trigger();
    Form2 *search = dialog();
    QVERIFY(search);
    const auto *widget = search->findChild<QWidget *>(control);
    QVERIFY(widget);

    QCOMPARE(widget->property("text").toString(), caption);
    QCOMPARE(widget->toolTip(), toolTip);
    // Pixels are whole: each length is the nearest pixel to the twips.
    const Twips twips = Twips::forScreen(search->screen());
    const QRect shown = widget->geometry();
    const QList<int> pixels{shown.left(), shown.top(), shown.width(), shown.height()};
    const QList<int> wanted{place.left(), place.top(), place.width(), place.height()};
    for (int i = 0; i < 4; ++i)
        QVERIFY2(qAbs(twips.toTwips(pixels[i]) - wanted[i]) <= twips.toTwips(0.5),
                 qPrintable(u"%1 px for %2 twips"_s.arg(pixels[i]).arg(wanted[i])));

    // The tab order among the controls that take focus (a box's own line edit is part of it).
    QCOMPARE(bool(widget->focusPolicy() & Qt::TabFocus), !next.isEmpty());
    if (next.isEmpty())
        return;
    const QWidget *following = widget->nextInFocusChain();
    while (following != widget && (following->objectName().isEmpty() || !(following->focusPolicy() & Qt::TabFocus)))
        following = following->nextInFocusChain();
    QCOMPARE(following->objectName(), next);
}

void TestForm2::opensFromEitherSheet_data()
{
    QTest::addColumn<int>("sheet");
    QTest::newRow("from sheet 1") << 0;
    QTest::newRow("from sheet 2") << 1;
}

void TestForm2::opensFromEitherSheet()
{
    QFETCH(int, sheet);
    Form1 &form = makeForm(QByteArrayLiteral("[GREP  ]old\r\n[GREP  ]\r\n[GREP  ]older\r\n[TIKAN ]new\r\n"));
    AppState &state = form.state();
    state.grdData(sheet).setCurrentCell(2, 2);
    state.ActiveSheet = sheet;
    form.mnuGrep->trigger();

    Form2 *search = dialog();
    QVERIFY(search);
    QVERIFY(search->isVisible());
    QVERIFY(!search->isModal());
    QCOMPARE(search->windowType(), Qt::Tool);
    QCOMPARE(search->windowTitle(), u"検索　選択中のセルから検索します"_s);
    QVERIFY(form.isEnabled());
    QVERIFY(search->optIdx[sheet]->isChecked());
    QVERIFY(search->optIdx[sheet]->isEnabled());
    QVERIFY(!search->optIdx[1 - sheet]->isEnabled());
    QVERIFY(search->optMuki[0]->isChecked());
    QCOMPARE(search->cboGrep->currentText(), state.grdData(sheet).textMatrix(2, 2));
    QCOMPARE(entries(search->cboGrep), (QStringList{u"old"_s, u"older"_s}));
    QCOMPARE(entries(search->cboTikan), QStringList{u"new"_s});
    QVERIFY(!state.SearchDialogPending);

    // At the bottom-left corner of the sheet it searches (the rule's allowance for the title and
    // menu bars is only near the real ones).
    const QWidget *view = form.grdData[sheet];
    const QRect sheetOnScreen(view->mapToGlobal(QPoint(0, 0)), view->size());
    QVERIFY(qAbs(search->y() - sheetOnScreen.bottom()) < 40);
    QVERIFY(qAbs(search->x() - sheetOnScreen.left()) < 20);
}

void TestForm2::searchCommandRetargetsTheOpenDialog()
{
    Form1 &form = makeForm();
    AppState &state = form.state();
    form.mnuGrep->trigger();
    Form2 *search = dialog();
    QVERIFY(search);
    QCOMPARE(search->cboGrep->currentText(), u"apple"_s);

    // Activations by switching windows change nothing.
    state.ActiveSheet = 1;
    form.activateWindow();
    search->activateWindow();
    QCoreApplication::processEvents();
    QVERIFY(search->optIdx[0]->isChecked());

    state.grdData(1).setCurrentCell(2, 1);
    form.mnuGrep->trigger();
    QCOMPARE(dialog(), search);
    QVERIFY(search->optIdx[1]->isChecked());
    QVERIFY(search->optIdx[1]->isEnabled());
    QVERIFY(!search->optIdx[0]->isEnabled());
    QCOMPARE(search->cboGrep->currentText(), u"three"_s);
}

void TestForm2::searchesAndReplacesWithTheButtons()
{
    Form1 &form = makeForm();
    AppState &state = form.state();
    Sheet &sheet = state.grdData(0);
    sheet.setCurrentCell(1, 2);
    form.mnuGrep->trigger();
    Form2 *search = dialog();
    QVERIFY(search);
    const auto current = [&] { return u"%1,%2"_s.arg(sheet.row()).arg(sheet.col()); };

    // The first search tests the current cell itself, then down the column.
    type(search->cboGrep, u"banana"_s);
    QTest::mouseClick(search->cmdGrep, Qt::LeftButton);
    QCOMPARE(current(), u"1,2"_s);
    QCOMPARE(sheet.foreColorAt(1, 2), kMarkForeColor);
    // Enter in the search text finds the next one, as the button does.
    QTest::keyClick(search->cboGrep->lineEdit(), Qt::Key_Return);
    QCOMPARE(current(), u"2,2"_s);

    // With match case, "Banana" and "BANANA" no longer match: the search goes on at the first
    // cell and says so in the dialog, without a message box.
    QTest::mouseClick(search->chkKubun, Qt::LeftButton);
    QTest::mouseClick(search->cmdGrep, Qt::LeftButton);
    QCOMPARE(current(), u"1,2"_s);
    QCOMPARE(search->lblNote->text(), u"先頭から検索しました"_s);
    QVERIFY(m_messages.isEmpty());

    // 置換 first shows the match, then replaces it and shows the next, every occurrence in it.
    QTest::mouseClick(search->chkKubun, Qt::LeftButton);
    QTest::mouseClick(search->optMuki[0], Qt::LeftButton);
    type(search->cboGrep, u"a"_s);
    type(search->cboTikan, u"o"_s);
    QTest::mouseClick(search->cmdTikan, Qt::LeftButton);
    QCOMPARE(current(), u"1,2"_s);
    QCOMPARE(sheet.textMatrix(1, 2), u"banana"_s);
    QTest::mouseClick(search->cmdTikan, Qt::LeftButton);
    QCOMPARE(sheet.textMatrix(1, 2), u"bonono"_s);
    QCOMPARE(current(), u"2,2"_s);
    QCOMPARE(sheet.textMatrix(2, 2), u"Banana"_s);
    QTest::mouseClick(search->cmdTikan, Qt::LeftButton);
    QCOMPARE(sheet.textMatrix(2, 2), u"Bonono"_s);
    QCOMPARE(current(), u"3,2"_s);
    QCOMPARE(entries(search->cboGrep), (QStringList{u"a"_s, u"banana"_s}));
    QCOMPARE(entries(search->cboTikan), QStringList{u"o"_s});

    // すべて置換: the rest of the sheet at once, counted in the dialog.
    QTest::mouseClick(search->cmdAllTikan, Qt::LeftButton);
    QCOMPARE(search->lblNote->text(), u"5 個置換しました"_s);
    QCOMPARE(cellTexts(sheet), u"opple,bonono,x|cherry,Bonono,y|dote,BoNoNo,z"_s);

    // One undo takes back the whole replace-all, and only it.
    form.mnuZ->trigger();
    QCOMPARE(cellTexts(sheet), u"apple,bonono,x|cherry,Bonono,y|date,BANANA,z"_s);
}

void TestForm2::closingStoresTheListsAndMatchCase()
{
    Form1 &form = makeForm(QByteArrayLiteral("[GREP  ]a\r\n[GREP  ]\r\n[GREP  ]c\r\n[GREP  ]d\r\n[GREP  ]e\r\n"));
    AppState &state = form.state();
    form.mnuGrep->trigger();
    QPointer<Form2> search = dialog();
    QVERIFY(search);
    type(search->cboGrep, u"c"_s);
    QTest::mouseClick(search->cmdGrep, Qt::LeftButton);
    QTest::mouseClick(search->chkKubun, Qt::LeftButton);
    QTest::mouseClick(search->optMuki[1], Qt::LeftButton);
    QTest::mouseClick(search->cmdEnd, Qt::LeftButton);
    QTRY_VERIFY(!search);
    // Four entries fill the first four slots; the fifth keeps its old text.
    QCOMPARE(state.SearchHistory, (std::array<QString, 5>{u"c"_s, u"a"_s, u"d"_s, u"e"_s, u"e"_s}));
    QCOMPARE(state.MatchCaseSetting, 1);

    // Loaded afresh: the stored lists, the tick, and the direction back to "下右".
    form.mnuGrep->trigger();
    search = dialog();
    QVERIFY(search);
    QCOMPARE(entries(search->cboGrep), (QStringList{u"c"_s, u"a"_s, u"d"_s, u"e"_s, u"e"_s}));
    QVERIFY(search->chkKubun->isChecked());
    QVERIFY(search->optMuki[0]->isChecked());
    QTest::keyClick(search, Qt::Key_Escape);
    QTRY_VERIFY(!search);

    form.close();
    const QString saved = settingsText();
    QVERIFY(saved.contains(u"[GREP  ]c\r\n[GREP  ]a\r\n[GREP  ]d\r\n[GREP  ]e\r\n[GREP  ]e\r\n"_s));
    QVERIFY(saved.contains(u"[KUBUN ]1\r\n"_s));
}

void TestForm2::closingTheMainWindowDropsWhatWasTyped()
{
    Form1 &form = makeForm(QByteArrayLiteral("[GREP  ]kept\r\n"));
    form.mnuGrep->trigger();
    QPointer<Form2> search = dialog();
    QVERIFY(search);
    type(search->cboGrep, u"typed"_s);
    QTest::mouseClick(search->cmdGrep, Qt::LeftButton);
    QTest::mouseClick(search->chkKubun, Qt::LeftButton);
    form.close();
    QVERIFY(!search);
    const QString saved = settingsText();
    QVERIFY(saved.contains(u"[GREP  ]kept\r\n"_s));
    QVERIFY(!saved.contains(u"typed"_s));
    QVERIFY(saved.contains(u"[KUBUN ]0\r\n"_s));
}

void TestForm2::busyWindowIgnoresTheSearchCommand()
{
    Form1 &form = makeForm();
    form.state().CompareRunning = true;
    form.mnuGrep->trigger();
    QVERIFY(!dialog());
    QVERIFY(!form.state().SearchDialogPending);
}

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
