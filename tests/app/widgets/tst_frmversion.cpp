#include "MDllChk.h"
#include "RecordingUserInterface.h"
#include "Version.h"
#include "VersionText.h"
#include "frmVersion.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{
const QColor kBlue(0, 0, 255);
const QColor kCyan(0, 255, 255);

QColor linkColor(const QLabel *label)
{
    return label->palette().color(QPalette::WindowText);
}
} // namespace

class TestFrmVersion : public QObject
{
    Q_OBJECT

private slots:
    void versionNumber_data();
    void versionNumber();
    void linkStandsAfterItsCaption_data();
    void linkStandsAfterItsCaption();
    void okOrEscCloses_data();
    void okOrEscCloses();
    void linkFollowsTheMouse();
    void linkClickOpensTheHomePage();
    void missingComponentDialog();
};

void TestFrmVersion::versionNumber_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<QString>("text");

    QTest::newRow("minor 0") << 3 << 0 << u"3.00"_s;
    QTest::newRow("minor 5 gets a leading zero") << 3 << 5 << u"3.05"_s;
    QTest::newRow("two-digit minor") << 1 << 12 << u"1.12"_s;
    QTest::newRow("three-digit minor is not cut") << 2 << 123 << u"2.123"_s;
}

void TestFrmVersion::versionNumber()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(QString, text);
    QCOMPARE(versionNumberText(major, minor), text);
    QCOMPARE(versionTitleText(true, major, minor).split(u'\n').at(1), u"　　Rowlark  　バージョン　"_s + text);
}

void TestFrmVersion::linkStandsAfterItsCaption_data()
{
    QTest::addColumn<bool>("componentFound");
    QTest::newRow("version text") << true;
    QTest::newRow("missing component text") << false;
}

void TestFrmVersion::linkStandsAfterItsCaption()
{
    // The link label is placed on the line versionLinkLine names: that line must end with the
    // caption the address follows.
    QFETCH(bool, componentFound);
    const QStringList lines = versionTitleText(componentFound, 1, 0).split(u'\n');
    const int link = versionLinkLine(componentFound);
    QVERIFY(link >= 0 && link < lines.size());
    QVERIFY(lines.at(link).endsWith(u'：'));
    QVERIFY(lines.at(link).trimmed().size() > 1);
}

void TestFrmVersion::okOrEscCloses_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("OK") << u"ok"_s;
    QTest::newRow("a close box drawn anyway acts as OK") << u"close box"_s;
    QTest::newRow("Esc acts as OK") << u"esc"_s;
}

void TestFrmVersion::okOrEscCloses()
{
    RecordingUserInterface ui;
    frmVersion dialog(ui, true);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    const Qt::WindowFlags flags = dialog.windowFlags();
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
    QCOMPARE(dialog.windowTitle(), versionCaption(true));
    QCOMPARE(dialog.findChild<QLabel *>(u"lblTitle"_s)->text(), versionTitleText(true, kVersionMajor, kVersionMinor));

    QSignalSpy finished(&dialog, &QDialog::finished);
    auto *ok = dialog.findChild<QPushButton *>(u"cmdEnd"_s);
    QVERIFY(ok);
    QCOMPARE(ok->text(), u"OK"_s);
    QFETCH(QString, how);
    if (how == u"close box"_s)
        QVERIFY(dialog.close()); // a close box the window manager drew although none was asked for
    else if (how == u"esc"_s)
        QTest::keyClick(&dialog, Qt::Key_Escape);
    else
        QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(ui.openedUrls.isEmpty());
}

void TestFrmVersion::linkFollowsTheMouse()
{
    RecordingUserInterface ui;
    frmVersion dialog(ui, true);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *link = dialog.findChild<QLabel *>(u"lblHttp"_s);
    auto *title = dialog.findChild<QLabel *>(u"lblTitle"_s);
    QVERIFY(link && title);
    QCOMPARE(link->text(), kHomePageAddress);
    QCOMPARE(linkColor(link), kBlue);

    QTest::mouseMove(link, link->rect().center());
    QTRY_COMPARE(linkColor(link), kCyan);
    QTest::mouseMove(title, QPoint(5, 5));
    QTRY_COMPARE(linkColor(link), kBlue);
    QTest::mouseMove(link, link->rect().center());
    QTRY_COMPARE(linkColor(link), kCyan);
    QVERIFY(ui.openedUrls.isEmpty());
}

void TestFrmVersion::linkClickOpensTheHomePage()
{
    RecordingUserInterface ui;
    ui.openUrlResult = false; // a browser that does not start changes nothing in the dialog
    frmVersion dialog(ui, true);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *link = dialog.findChild<QLabel *>(u"lblHttp"_s);

    QTest::mouseMove(link, link->rect().center());
    QTRY_COMPARE(linkColor(link), kCyan);
    QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
    QCOMPARE(ui.openedUrls, QStringList{kHomePageAddress});
    QCOMPARE(linkColor(link), kBlue);
    QVERIFY(dialog.isVisible());
    QVERIFY(ui.messages.isEmpty());
}

void TestFrmVersion::missingComponentDialog()
{
    RecordingUserInterface ui;
    frmVersion normal(ui, true);
    frmVersion missing(ui, false);
    QCOMPARE(missing.windowTitle(), versionCaption(false));
    QVERIFY(missing.findChild<QLabel *>(u"lblTitle"_s)->text().contains(kGridComponentFile));

    // The link stands after "入手先　：", one line lower than after "ＨＰ　：".
    const QLabel *normalLink = normal.findChild<QLabel *>(u"lblHttp"_s);
    const QLabel *missingLink = missing.findChild<QLabel *>(u"lblHttp"_s);
    const int lineSpacing = QFontMetrics(missing.findChild<QLabel *>(u"lblTitle"_s)->font()).lineSpacing();
    QVERIFY(qAbs(missingLink->y() - normalLink->y() - lineSpacing) <= 1);
    // Nothing overlaps: the link and the button lie inside the dialog.
    QVERIFY(missing.rect().contains(missingLink->geometry()));
    QVERIFY(missing.rect().contains(missing.findChild<QPushButton *>(u"cmdEnd"_s)->geometry()));
    QVERIFY(missingLink->geometry().bottom() < missing.findChild<QPushButton *>(u"cmdEnd"_s)->y());
}

QTEST_MAIN(TestFrmVersion)
#include "tst_frmversion.moc"
