#pragma once

#include <functional>
#include <memory>

// Work done beside the calling thread, on a thread kept for it: where a job of a few milliseconds
// runs on a thread made for it, the new thread starts on its maker's core and the scheduler moves
// it to an idle one only some milliseconds later, while a kept thread that waits is woken on an
// idle core at once. A job given while the kept thread is busy (a job within a job, or two callers
// at once) runs on a thread of its own, as before.
//
//     SideJob second([&] { ... });
//     ...                 // this thread's half of the work
//     second.join();      // the destructor joins too
//
// What the job throws, join() throws again; a destructor that joins drops it, as the caller is
// then leaving on an exception of its own.
class SideJob
{
public:
    explicit SideJob(std::function<void()> job);
    ~SideJob();
    SideJob(const SideJob &) = delete;
    SideJob &operator=(const SideJob &) = delete;

    // Waits until the job has run and throws again what it threw; once is enough, and again does
    // nothing.
    void join();

    // Starts the kept thread now, so that it is waiting on a core of its own by the time the
    // first job comes; without it the first job starts it.
    static void prepare();

    struct State;

private:
    void wait();

    std::shared_ptr<State> m_state;
};
