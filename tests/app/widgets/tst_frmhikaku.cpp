#include "AppState.h"
#include "CompareEngine.h"
#include "RecordingUserInterface.h"
#include "Twips.h"
#include "WindowSheetFixtures.h"
#include "frmHikaku.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpontaneKeyEvent>
#include <QTest>
#include <QWidget>

#include <memory>

namespace
{
constexpr QRgb kNavy = qRgb(0, 0, 128);

// The progress dialog as the window shows it: owned by the main window, painted through the
// user-interface seam, closed when the run ends.
class DialogUserInterface : public RecordingUserInterface
{
public:
    DialogUserInterface(AppState &state, QWidget &mainWindow)
        : m_state(state)
        , m_mainWindow(mainWindow)
    {
    }
    void showProgressDialog() override
    {
        RecordingUserInterface::showProgressDialog();
        dialog = std::make_unique<frmHikaku>(m_state.CompareCancelled, &m_mainWindow);
        dialog->show();
    }
    void showProgressPercent(int percent) override
    {
        RecordingUserInterface::showProgressPercent(percent);
        dialog->showProgressPercent(percent);
    }
    void closeProgressDialog() override
    {
        RecordingUserInterface::closeProgressDialog();
        dialog->close();
        dialog.reset();
    }

    std::unique_ptr<frmHikaku> dialog;

private:
    AppState &m_state;
    QWidget &m_mainWindow;
};
} // namespace

class TestFrmHikaku : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void layoutAndTexts();
    void cancelOnlySetsTheFlag();
    void closingFromTheWindowSystemCancels();
    void closingFromCodeCloses();
    void centredOverTheMainWindow();
    void paintsThePercent();
    void cancelButtonStopsARunningComparison();

private:
    std::unique_ptr<QWidget> m_mainWindow;
    bool m_cancelled = false;
};

void TestFrmHikaku::init()
{
    m_mainWindow = std::make_unique<QWidget>();
    m_mainWindow->setGeometry(100, 80, 800, 600);
    m_mainWindow->show();
    m_cancelled = false;
}

void TestFrmHikaku::cleanup()
{
    m_mainWindow.reset();
}

void TestFrmHikaku::layoutAndTexts()
{
    frmHikaku dialog(m_cancelled, m_mainWindow.get());
    const Twips twips(m_mainWindow->screen()->logicalDotsPerInch());

    // No caption shows, and the title is not empty either, or the desktop would show the
    // program's name in its place.
    QVERIFY(!dialog.windowTitle().isEmpty());
    QVERIFY(dialog.windowTitle().trimmed().isEmpty());
    QVERIFY(!dialog.isModal());
    QCOMPARE(dialog.parentWidget(), m_mainWindow.get());
    QCOMPARE(dialog.minimumSize(), QSize(twips.toPixels(6015), twips.toPixels(1455)));
    QCOMPARE(dialog.maximumSize(), dialog.minimumSize());

    QCOMPARE(dialog.Label1->text(), u"比較中"_s);
    QCOMPARE(dialog.Label1->font().pointSize(), 12);
    QCOMPARE(dialog.Label1->font().families().first(), u"ＭＳ ゴシック"_s);
    QCOMPARE(dialog.Label1->geometry(),
             QRect(twips.toPixels(120), twips.toPixels(120), twips.toPixels(5775), twips.toPixels(375)));
    QCOMPARE(dialog.Picture1->geometry(),
             QRect(twips.toPixels(120), twips.toPixels(480), twips.toPixels(5775), twips.toPixels(375)));
    QCOMPARE(dialog.cmdCancel->text(), u"中止"_s);
    QCOMPARE(dialog.cmdCancel->geometry(),
             QRect(twips.toPixels(2280), twips.toPixels(960), twips.toPixels(1455), twips.toPixels(375)));
}

void TestFrmHikaku::cancelOnlySetsTheFlag()
{
    frmHikaku dialog(m_cancelled, m_mainWindow.get());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    QTest::mouseClick(dialog.cmdCancel, Qt::LeftButton);
    QVERIFY(m_cancelled);
    QTest::mouseClick(dialog.cmdCancel, Qt::LeftButton);
    QVERIFY(m_cancelled);
    QVERIFY(dialog.isVisible()); // stays until the run closes it

    // A new run clears the flag; the dialog does not set it again by itself.
    m_cancelled = false;
    QTest::qWait(10);
    QVERIFY(!m_cancelled);
}

void TestFrmHikaku::closingFromTheWindowSystemCancels()
{
    frmHikaku dialog(m_cancelled, m_mainWindow.get());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(m_cancelled);
    QVERIFY(dialog.isVisible());

    m_cancelled = false;
    // The close box: a close event that comes from the window system.
    QCloseEvent closeBox;
    QSpontaneKeyEvent::setSpontaneous(&closeBox);
    qApp->notify(&dialog, &closeBox); // sendEvent would make it a close from code
    QVERIFY(!closeBox.isAccepted());
    QVERIFY(m_cancelled);
    QVERIFY(dialog.isVisible());
}

void TestFrmHikaku::closingFromCodeCloses()
{
    frmHikaku dialog(m_cancelled, m_mainWindow.get());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.close());
    QVERIFY(!dialog.isVisible());
    QVERIFY(!m_cancelled);
}

void TestFrmHikaku::centredOverTheMainWindow()
{
    frmHikaku dialog(m_cancelled, m_mainWindow.get());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QRect owner = m_mainWindow->frameGeometry();
    const QRect own = dialog.frameGeometry();
    QVERIFY(qAbs(own.center().x() - owner.center().x()) <= 1);
    QVERIFY(qAbs(own.center().y() - owner.center().y()) <= 1);

    // Centred again when shown after the main window moved.
    dialog.hide();
    m_mainWindow->move(300, 200);
    dialog.show();
    QVERIFY(qAbs(dialog.frameGeometry().center().x() - m_mainWindow->frameGeometry().center().x()) <= 1);
}

void TestFrmHikaku::paintsThePercent()
{
    frmHikaku dialog(m_cancelled, m_mainWindow.get());
    dialog.show();
    dialog.showProgressPercent(100);
    const QImage image = dialog.progressImage();
    QCOMPARE(image.size(), dialog.Picture1->contentsRect().size());
    QCOMPARE(image.pixel(0, 0) & 0xFFFFFF, kNavy & 0xFFFFFF);
    QCOMPARE(image.pixel(image.width() - 1, image.height() - 1) & 0xFFFFFF, kNavy & 0xFFFFFF);
    // What Picture1 shows is the painted image.
    QCOMPARE(dialog.Picture1->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
             image.convertToFormat(QImage::Format_RGB32));
}

void TestFrmHikaku::cancelButtonStopsARunningComparison()
{
    AppState state;
    DialogUserInterface ui(state, *m_mainWindow);
    fillSheet(state.grdData(0), u"a,b|c,d|e,f|g,h"_s);
    fillSheet(state.grdData(1), u"a,x|c,y|e,z|g,w"_s);

    bool dialogWasShown = false;
    ui.onYield = [&] {
        QCoreApplication::processEvents();
        if (ui.yields == 2) {
            QVERIFY(ui.dialog);
            dialogWasShown = ui.dialog->isVisible();
            QTest::mouseClick(ui.dialog->cmdCancel, Qt::LeftButton);
        }
    };

    const CompareResult result = CompareSheets(state, ui, true);

    QVERIFY(dialogWasShown);
    QVERIFY(result.cancelled);
    QCOMPARE(result.count(), 1); // the first data row only
    QCOMPARE(colourMap(state.grdData(1)), u".R|..|..|.."_s);
    QVERIFY(!ui.dialog);
    QCOMPARE(ui.messages.size(), 1);
    QCOMPARE(ui.messages.first().text, u"中止しました"_s);
}

QTEST_MAIN(TestFrmHikaku)
#include "tst_frmhikaku.moc"
