#include "AppState.h"
#include "DropPanelWidget.h"
#include "ElidedLabel.h"
#include "Form1.h"
#include "Form1Fixture.h"
#include "MarkedScrollBar.h"
#include "NavigationControls.h"
#include "RecordingUserInterface.h"
#include "SheetView.h"
#include "TestFiles.h"

#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <numeric>

using namespace Qt::StringLiterals;

// The real main window, offscreen, driven by keys and clicks: opening files and finding one's
// way among the differences.
class TestNavigation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void opensFilesFromTheKeyboardAndTheEmptyPanels();
    void f8StepsFromTheCompareButton_data();
    void f8StepsFromTheCompareButton();
    void aSelectionKeepsTheMarksVisible();
    void theThumbStaysInSightOverTheMarks_data();
    void everyControlStaysUsable_data();
    void everyControlStaysUsable();
    void theThumbStaysInSightOverTheMarks();

private:
    Form1 &makeForm();
    // Opens both files through Ctrl+O and Ctrl+Shift+O and compares them.
    void openAndCompare(const QByteArray &left, const QByteArray &right);
    [[nodiscard]] QString diffStatus() const
    {
        return m_fixture.form().m_navigation->lblDiffStatus->text();
    }

    Form1Fixture m_fixture;
};

void TestNavigation::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestNavigation::init()
{
    m_fixture.reset();
}

void TestNavigation::cleanup()
{
    m_fixture.reset();
}

Form1 &TestNavigation::makeForm()
{
    Form1Setup setup;
    setup.helpFile = Form1Setup::HelpFile::Missing;
    return m_fixture.make(setup);
}

void TestNavigation::openAndCompare(const QByteArray &left, const QByteArray &right)
{
    m_fixture.ui().scriptedOpenPaths << writeTestFile(m_fixture.dir(), u"left.csv"_s, left)
                                     << writeTestFile(m_fixture.dir(), u"right.csv"_s, right);
    QTest::keyClick(&m_fixture.form(), Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(&m_fixture.form(), Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::mouseClick(m_fixture.form().cmdDiff, Qt::LeftButton);
}

void TestNavigation::opensFilesFromTheKeyboardAndTheEmptyPanels()
{
    Form1 &form = makeForm();
    const QString left = writeTestFile(m_fixture.dir(), u"left.csv"_s, "a,b\r\nc,d\r\n");
    m_fixture.ui().scriptedOpenPaths << left;
    QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(form.state().SheetFileName[0], left);
    QVERIFY(form.grdData[0]->isVisible());
    QCOMPARE(form.m_navigation->lblSheetStatus[0]->text(),
             u"ファイル１　2 行 × 2 列　UTF-8　CR LF　区切り カンマ（,）"_s);
    QCOMPARE(form.PicFile[0]->toolTip(), left);

    // The second panel is still empty: a click on it asks for file 2; a cancel leaves it empty.
    QTest::mouseClick(form.PicFile[1], Qt::LeftButton, {}, QPoint(40, 80));
    QCOMPARE(m_fixture.ui().openRequests.size(), 2);
    QCOMPARE(m_fixture.ui().openRequests[1].title, u"ファイル２を開く"_s);
    QCOMPARE(m_fixture.ui().openRequests[1].initialFolder, m_fixture.dir().path());
    QVERIFY(!form.grdData[1]->isVisible());
    // A click on the panel of a loaded sheet asks nothing.
    QTest::mouseClick(form.PicFile[0], Qt::LeftButton, {}, QPoint(40, 5));
    QCOMPARE(m_fixture.ui().openRequests.size(), 2);
    QVERIFY(m_fixture.ui().messages.isEmpty());
}

void TestNavigation::f8StepsFromTheCompareButton_data()
{
    QTest::addColumn<QString>("keys"); // F8, S-F8 (Shift+F8), A-End, A-Home, in order
    QTest::addColumn<QPoint>("cell"); // the active sheet's current cell afterwards
    QTest::addColumn<int>("sheet"); // the active sheet afterwards
    QTest::addColumn<QString>("status");

    // Sheet 2 has one differing cell (1,2) and a third row only it has.
    QTest::newRow("first step") << u"F8"_s << QPoint(1, 2) << 0 << u"差分 1 / 3（1行 2列）"_s;
    QTest::newRow("into the row only the second sheet has")
        << u"F8 F8"_s << QPoint(3, 1) << 1 << u"差分 2 / 3（3行 1列）"_s;
    QTest::newRow("past the end") << u"A-End F8"_s << QPoint(3, 2) << 1 << u"差分 3 / 3（3行 2列）　最後の差分です"_s;
    QTest::newRow("back to the first") << u"A-End A-Home"_s << QPoint(1, 2) << 1 << u"差分 1 / 3（1行 2列）"_s;
    QTest::newRow("back with Shift+F8") << u"A-End S-F8"_s << QPoint(3, 1) << 1 << u"差分 2 / 3（3行 1列）"_s;
}

void TestNavigation::f8StepsFromTheCompareButton()
{
    QFETCH(QString, keys);
    QFETCH(QPoint, cell);
    QFETCH(int, sheet);
    QFETCH(QString, status);

    Form1 &form = makeForm();
    openAndCompare("a,b\r\nc,d\r\n", "a,X\r\nc,d\r\ne,f\r\n");
    QCOMPARE(m_fixture.ui().messages.size(), 1); // the result
    QCOMPARE(diffStatus(), u"差分 3 個"_s);
    // Rows 1 and 3 hold marks in the second sheet's groove; row 3 is not the first sheet's.
    QCOMPARE(static_cast<MarkedScrollBar *>(form.grdData[1]->verticalScrollBar())->marks(), (std::vector<int>{1, 3}));
    QCOMPARE(static_cast<MarkedScrollBar *>(form.grdData[0]->verticalScrollBar())->marks(), (std::vector<int>{1}));

    form.cmdDiff->setFocus();
    QVERIFY(form.cmdDiff->hasFocus());
    for (const QString &key : keys.split(u' ')) {
        QWidget *focused = QApplication::focusWidget();
        if (key == u"F8"_s)
            QTest::keyClick(focused, Qt::Key_F8);
        else if (key == u"S-F8"_s)
            QTest::keyClick(focused, Qt::Key_F8, Qt::ShiftModifier);
        else if (key == u"A-End"_s)
            QTest::keyClick(focused, Qt::Key_End, Qt::AltModifier);
        else
            QTest::keyClick(focused, Qt::Key_Home, Qt::AltModifier);
    }
    const AppState &state = form.state();
    QCOMPARE(state.ActiveSheet, sheet);
    QCOMPARE(QPoint(state.grdData(sheet).row(), state.grdData(sheet).col()), cell);
    QCOMPARE(diffStatus(), status);
}

void TestNavigation::aSelectionKeepsTheMarksVisible()
{
    Form1 &form = makeForm();
    openAndCompare("a,b\r\nc,d\r\n", "a,X\r\nc,d\r\n");
    Sheet &sheet = form.state().grdData(0);
    sheet.setCurrentCell(1, 1);
    sheet.setRowSel(2);
    sheet.setColSel(2);
    const QAbstractItemModel *model = form.grdData[0]->model();
    const QColor highlight = form.grdData[0]->palette().color(QPalette::Highlight);
    const QColor marked = model->index(0, 1).data(Qt::BackgroundRole).value<QColor>(); // cell (1, 2)
    const QColor plain = model->index(1, 0).data(Qt::BackgroundRole).value<QColor>(); // cell (2, 1)
    QCOMPARE(plain, highlight);
    QVERIFY2(marked != highlight && marked != QColor(255, 128, 128), qPrintable(marked.name()));
    // Still reddish: more red than the selection colour has.
    QVERIFY(marked.red() > highlight.red());
}

namespace
{
// Reads where the style puts the thumb.
class ProbedScrollBar : public MarkedScrollBar
{
public:
    using MarkedScrollBar::MarkedScrollBar;
    [[nodiscard]] QRect thumb() const
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    }
};
} // namespace

void TestNavigation::theThumbStaysInSightOverTheMarks_data()
{
    QTest::addColumn<Qt::Orientation>("orientation");

    // A difference in every row fills the whole groove with marks.
    QTest::newRow("vertical, every row marked") << Qt::Vertical;
    QTest::newRow("horizontal, every column marked") << Qt::Horizontal;
}

void TestNavigation::theThumbStaysInSightOverTheMarks()
{
    QFETCH(Qt::Orientation, orientation);

    ProbedScrollBar bar(orientation);
    bar.resize(orientation == Qt::Vertical ? QSize(16, 320) : QSize(320, 16));
    bar.setRange(0, 900);
    bar.setPageStep(100);
    bar.setValue(450);
    const QImage plain = bar.grab().toImage();
    std::vector<int> marks(1000);
    std::iota(marks.begin(), marks.end(), 1);
    bar.setMarks(marks, 1000);
    const QImage shown = bar.grab().toImage();
    // The thumb looks as it does without marks; the groove beside it shows them.
    const QRect thumb = bar.thumb();
    QVERIFY(!thumb.isEmpty());
    QCOMPARE(shown.copy(thumb), plain.copy(thumb));
    QVERIFY(shown != plain);
}

void TestNavigation::everyControlStaysUsable_data()
{
    QTest::addColumn<QSize>("asked"); // the size the window is given; empty: as it opens

    QTest::newRow("as it opens") << QSize();
    QTest::newRow("made as small as it goes") << QSize(400, 300);
}

void TestNavigation::everyControlStaysUsable()
{
    QFETCH(QSize, asked);

    Form1 &form = makeForm();
    // Long texts everywhere: both sheets' shapes, and a place, a remark and the options in force.
    form.state().compareOptions.ignoreCase = true;
    openAndCompare("a,b\r\nc,d\r\n", "a,X\r\nc,d\r\ne,f\r\n");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End, Qt::AltModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F8);
    if (asked.isValid())
        form.resize(asked);
    QCoreApplication::processEvents();

    const QWidget *client = form.centralWidget();
    const auto placed
        = [client](const QWidget *widget) { return QRect(widget->mapTo(client, QPoint(0, 0)), widget->size()); };
    // The buttons along the bottom stand apart, each wide enough for its caption.
    const std::array<QPushButton *, 4> buttons{form.cmdDiff, form.cmdClr, form.cmdGmn, form.cmdEnd};
    for (size_t k = 0; k < buttons.size(); ++k) {
        QVERIFY2(client->rect().contains(placed(buttons[k])), qPrintable(buttons[k]->text()));
        QVERIFY2(buttons[k]->width() >= buttons[k]->sizeHint().width(), qPrintable(buttons[k]->text()));
        if (k > 0)
            QVERIFY(placed(buttons[k - 1]).right() < placed(buttons[k]).left());
    }
    // Each strip above a sheet holds its save buttons and still has room for the file's name.
    const int nameRoom = form.fontMetrics().horizontalAdvance(u"left.csv"_s);
    for (int i = 0; i < 2; ++i) {
        const QRect panel = placed(form.PicFile[i]);
        const QRect tools = placed(form.fraTool[i]);
        QVERIFY2(panel.contains(tools), qPrintable(u"side %1"_s.arg(i)));
        QVERIFY2(tools.left() - panel.left() >= nameRoom, qPrintable(u"side %1"_s.arg(i)));
    }
    QVERIFY(!placed(form.fraTool[0]).intersects(placed(form.fraTool[1])));

    // The status bar's texts stay inside it: where the person stands is read whole, a sheet's
    // text shortens with "…" (whole in its tool tip) rather than run off.
    const QStatusBar *bar = form.statusBar();
    const NavigationControls &shown = *form.m_navigation;
    for (const ElidedLabel *label : {shown.lblSheetStatus[0], shown.lblSheetStatus[1], shown.lblDiffStatus}) {
        QVERIFY2(bar->rect().contains(QRect(label->mapTo(bar, QPoint(0, 0)), label->size())),
                 qPrintable(label->text()));
        const bool shortened = label->shownText().endsWith(u'…') && label->toolTip() == label->text();
        QVERIFY2(label->shownText() == label->text() || (label != shown.lblDiffStatus && shortened),
                 qPrintable(label->shownText()));
    }
    if (asked.isValid()) {
        QVERIFY(form.width() > asked.width());
        QVERIFY(shown.lblSheetStatus[1]->shownText().endsWith(u'…'));
    }
}

QTEST_MAIN(TestNavigation)
#include "tst_navigation.moc"
