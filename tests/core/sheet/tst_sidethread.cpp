#include "SideThread.h"

#include <QtTest>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

// The kept thread takes one job at a time; a job given while it is busy must still run, and every
// job must have run by its join, however the callers are spread over threads.
class tst_SideThread : public QObject
{
    Q_OBJECT

private slots:
    void everyJobRunsOnceByItsJoin_data()
    {
        QTest::addColumn<int>("callers");
        QTest::addColumn<int>("depth");
        QTest::newRow("one caller, one job at a time") << 1 << 1;
        QTest::newRow("jobs within jobs") << 1 << 4;
        QTest::newRow("four callers at once") << 4 << 1;
        QTest::newRow("four callers, jobs within jobs") << 4 << 3;
    }

    void everyJobRunsOnceByItsJoin()
    {
        QFETCH(int, callers);
        QFETCH(int, depth);
        constexpr int kJobs = 200;
        std::atomic<int> ran{0};
        std::atomic<int> unfinishedAtJoin{0};
        // A job that gives a job of its own until `level` reaches 0, and checks that it ran.
        std::function<void(int)> job = [&](int level) {
            ran.fetch_add(1);
            if (level <= 1)
                return;
            bool inner = false;
            SideJob nested([&] {
                job(level - 1);
                inner = true;
            });
            nested.join();
            if (!inner)
                unfinishedAtJoin.fetch_add(1);
        };
        std::vector<std::thread> threads;
        for (int c = 0; c < callers; ++c) {
            threads.emplace_back([&] {
                for (int n = 0; n < kJobs; ++n) {
                    bool done = false;
                    SideJob side([&] {
                        job(depth);
                        done = true;
                    });
                    side.join();
                    side.join(); // a second join returns at once
                    if (!done)
                        unfinishedAtJoin.fetch_add(1);
                }
            });
        }
        for (std::thread &thread : threads)
            thread.join();
        QCOMPARE(unfinishedAtJoin.load(), 0);
        QCOMPARE(ran.load(), callers * kJobs * depth);
    }

    // On the kept thread and, within a job, on a thread of its own.
    void joinThrowsWhatTheJobThrew()
    {
        const auto throwing = [] { throw std::runtime_error("side"); };
        int caught = 0;
        SideJob outer([&] {
            SideJob inner(throwing);
            try {
                inner.join();
            } catch (const std::runtime_error &) {
                ++caught;
            }
            inner.join(); // thrown once only
            throwing();
        });
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, outer.join());
        QCOMPARE(caught, 1);
        outer.join();
    }
};

QTEST_GUILESS_MAIN(tst_SideThread)
#include "tst_sidethread.moc"
