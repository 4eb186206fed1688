// The drop panel on screen: which drags it welcomes, with the window's own drag feedback.

#include "AppState.h"
#include "DropPanelWidget.h"
#include "FileIntake.h"

#include <QDragEnterEvent>
#include <QImage>
#include <QMimeData>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

class TestDropPanelWidget : public QObject
{
    Q_OBJECT

private slots:
    void dragFeedback_data();
    void dragFeedback();
    void emptyPanelShowsItsEdge();
};

void TestDropPanelWidget::dragFeedback_data()
{
    QTest::addColumn<QString>("content"); // "files", "text" or "remote"
    QTest::addColumn<Qt::DropActions>("actions"); // what the drag source offers
    QTest::addColumn<bool>("comparing");
    QTest::addColumn<bool>("hooked");
    QTest::addColumn<bool>("accepted"); // and then as a copy

    const Qt::DropActions copy = Qt::CopyAction;
    const Qt::DropActions move = Qt::MoveAction;
    QTest::newRow("files, copy and move offered") << u"files"_s << (copy | move) << false << true << true;
    QTest::newRow("files, copy offered") << u"files"_s << copy << false << true << true;
    QTest::newRow("files, only move offered") << u"files"_s << move << false << true << false;
    QTest::newRow("text") << u"text"_s << (copy | move) << false << true << false;
    QTest::newRow("a web address") << u"remote"_s << copy << false << true << false;
    QTest::newRow("comparing leaves a copy offer for text") << u"text"_s << copy << true << true << true;
    QTest::newRow("comparing leaves a move-only offer refused") << u"files"_s << move << true << true << false;
    QTest::newRow("no feedback connected") << u"files"_s << copy << false << false << false;
}

void TestDropPanelWidget::dragFeedback()
{
    QFETCH(QString, content);
    QFETCH(Qt::DropActions, actions);
    QFETCH(bool, comparing);
    QFETCH(bool, hooked);
    QFETCH(bool, accepted);

    AppState state;
    state.CompareRunning = comparing;
    const Twips twips;
    DropPanelWidget panel(twips);
    panel.resize(200, 100);
    if (hooked) {
        panel.dragOverHook = [&state](bool hasLocalFiles, DropEffect offered) {
            return PicFile_OLEDragOver(state, hasLocalFiles, offered);
        };
    }

    QMimeData mime;
    if (content == u"files")
        mime.setUrls({QUrl::fromLocalFile(u"/tmp/a.csv"_s), QUrl::fromLocalFile(u"/tmp/b.csv"_s)});
    else if (content == u"remote")
        mime.setUrls({QUrl(u"https://example.org/a.csv"_s)});
    else
        mime.setText(u"a,b"_s);

    const QPoint centre = panel.rect().center();
    QDragEnterEvent enter(centre, actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&panel, &enter);
    QCOMPARE(enter.isAccepted(), accepted);
    QDragMoveEvent move(centre, actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&panel, &move);
    QCOMPARE(move.isAccepted(), accepted);
    if (accepted) {
        QCOMPARE(enter.dropAction(), Qt::CopyAction);
        QCOMPARE(move.dropAction(), Qt::CopyAction);
    }
}

// An empty panel is still seen as a place to drop on: a sunken edge, darker above and left of
// the inside, lighter below and right of it.
void TestDropPanelWidget::emptyPanelShowsItsEdge()
{
    const Twips twips;
    DropPanelWidget panel(twips);
    panel.resize(200, 100);
    const QImage image = panel.grab().toImage();
    const int inside = image.pixelColor(100, 50).lightness();
    QVERIFY(image.pixelColor(0, 50).lightness() < inside);
    QVERIFY(image.pixelColor(100, 0).lightness() < inside);
    QVERIFY(image.pixelColor(199, 50).lightness() > image.pixelColor(0, 50).lightness());
    QVERIFY(image.pixelColor(100, 99).lightness() > image.pixelColor(100, 0).lightness());
}

QTEST_MAIN(TestDropPanelWidget)
#include "tst_droppanelwidget.moc"
