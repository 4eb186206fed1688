#include "QtUserInterface.h"
#include "UserInterface.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

using namespace Qt::StringLiterals;

// The question box as the person sees it: each answer's key presses its button.
class TestQuestionBox : public QObject
{
    Q_OBJECT

private slots:
    void keysAnswer_data();
    void keysAnswer();
};

void TestQuestionBox::keysAnswer_data()
{
    QTest::addColumn<Question>("question");
    QTest::addColumn<int>("key");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<int>("answer");

    const Question yesNo = Question::yesNo(u"上書きしますか？"_s, u"確認"_s, MessageIcon::Exclamation);
    const QStringList yesNoCaptions{u"はい(&Y)"_s, u"いいえ(&N)"_s};
    QTest::newRow("Alt+Y: はい") << yesNo << int(Qt::Key_Y) << yesNoCaptions << int(Answer::Yes);
    QTest::newRow("Alt+N: いいえ") << yesNo << int(Qt::Key_N) << yesNoCaptions << int(Answer::No);

    Question save{u"変更を保存しますか？"_s,
                  u"終了"_s,
                  MessageIcon::Exclamation,
                  {{Answer::Save, u"保存"_s}, {Answer::DontSave, u"保存しない"_s}, {Answer::Cancel, u"キャンセル"_s}},
                  0};
    const QStringList saveCaptions{u"保存(&S)"_s, u"保存しない(&N)"_s, u"キャンセル"_s};
    QTest::newRow("Alt+S: 保存") << save << int(Qt::Key_S) << saveCaptions << int(Answer::Save);
    QTest::newRow("Alt+N: 保存しない") << save << int(Qt::Key_N) << saveCaptions << int(Answer::DontSave);
    QTest::newRow("Esc: キャンセル") << save << int(Qt::Key_Escape) << saveCaptions << int(Answer::Cancel);
}

void TestQuestionBox::keysAnswer()
{
    QFETCH(Question, question);
    QFETCH(int, key);
    QFETCH(QStringList, captions);
    QFETCH(int, answer);

    QWidget window;
    bool compareCancelled = false;
    QtUserInterface ui(&window, compareCancelled);
    QStringList shown;
    QTimer person;
    connect(&person, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        person.stop();
        for (QAbstractButton *button : box->buttons())
            shown << button->text();
        shown.sort();
        box->activateWindow();
        if (!QTest::qWaitForWindowActive(box)) {
            box->reject();
            return;
        }
        QTest::keyClick(box, Qt::Key(key), key == Qt::Key_Escape ? Qt::NoModifier : Qt::AltModifier);
        // A key the box ignored must fail the row, not hang it.
        QTimer::singleShot(2000, box, &QMessageBox::reject);
    });
    person.start(0);
    const Answer given = ui.askQuestion(question);
    person.stop();

    captions.sort();
    QCOMPARE(shown, captions);
    QCOMPARE(int(given), answer);
}

QTEST_MAIN(TestQuestionBox)
#include "tst_questionbox.moc"
