#include "SideThread.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

struct SideJob::State
{
    std::function<void()> job;
    std::exception_ptr failure;
    std::mutex mutex;
    std::condition_variable doneChanged;
    bool done = false;
    std::thread own; // where the kept thread was busy
};

namespace
{

void run(SideJob::State &state)
{
    try {
        state.job();
    } catch (...) {
        state.failure = std::current_exception();
    }
    state.job = nullptr;
}

void finish(SideJob::State &state)
{
    {
        const std::lock_guard lock(state.mutex);
        state.done = true;
    }
    state.doneChanged.notify_all();
}

// The kept thread. It is never ended: it waits for the next job until the program exits, and is
// made once and never destroyed so that no static destructor pulls its mutex from under it.
class KeptThread
{
public:
    static KeptThread &instance()
    {
        static KeptThread *const kept = new KeptThread;
        return *kept;
    }

    // Gives `state` to the kept thread; false when it is busy.
    bool take(const std::shared_ptr<SideJob::State> &state)
    {
        {
            const std::lock_guard lock(m_mutex);
            if (m_next || m_busy)
                return false;
            m_next = state;
        }
        m_nextChanged.notify_one();
        return true;
    }

private:
    KeptThread()
    {
        std::thread([this] { serve(); }).detach();
    }

    [[noreturn]] void serve()
    {
        while (true) {
            std::shared_ptr<SideJob::State> state;
            {
                std::unique_lock lock(m_mutex);
                m_nextChanged.wait(lock, [this] { return m_next != nullptr; });
                state = std::move(m_next);
                m_busy = true;
            }
            run(*state);
            // Free again before the waiter hears of it: the waiter's next job may come at once.
            {
                const std::lock_guard lock(m_mutex);
                m_busy = false;
            }
            finish(*state);
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_nextChanged;
    std::shared_ptr<SideJob::State> m_next;
    bool m_busy = false;
};

} // namespace

SideJob::SideJob(std::function<void()> job)
    : m_state(std::make_shared<State>())
{
    m_state->job = std::move(job);
    if (!KeptThread::instance().take(m_state))
        m_state->own = std::thread([state = m_state] {
            run(*state);
            finish(*state);
        });
}

SideJob::~SideJob()
{
    wait();
}

void SideJob::join()
{
    wait();
    if (m_state->failure)
        std::rethrow_exception(std::exchange(m_state->failure, nullptr));
}

void SideJob::wait()
{
    if (m_state->own.joinable()) {
        m_state->own.join();
        return;
    }
    std::unique_lock lock(m_state->mutex);
    m_state->doneChanged.wait(lock, [this] { return m_state->done; });
}

void SideJob::prepare()
{
    KeptThread::instance();
}
