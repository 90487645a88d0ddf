#pragma once
// Tasks a worker hands to the UI thread, kept until that thread runs them: the queue of
// the hosts without an event loop of their own (tests, the companion tool, benchmarks).

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace tidemark {

class PostedTasks {
public:
    // From any thread.
    void post(std::function<void()> task)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_tasks.push_back(std::move(task));
        }
        m_posted.notify_all();
    }

    // Runs the tasks posted so far, in order (on the calling thread); false when there
    // were none.
    bool runAll()
    {
        std::deque<std::function<void()>> now;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            now.swap(m_tasks);
        }
        for (std::function<void()>& task : now)
            task();
        return !now.empty();
    }

    // Waits at most `timeout` for a task to be posted; true when one is waiting.
    bool waitFor(std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_posted.wait_for(lock, timeout, [this] { return !m_tasks.empty(); });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<std::function<void()>> m_tasks;
};

} // namespace tidemark
