#pragma once
// A backtest the test holds after its first race until it lets go, so a cancel or a close
// meets a run that is surely still going. It lets go by itself after a while, so a model
// that waits for its worker fails its test instead of hanging it.

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "presentation/backtest_model.h"

namespace tidemark::testing {

class HeldBacktest {
public:
    presentation::BacktestFormModel::Runner runner()
    {
        return [this](const store::StoreLayout& layout, const analytics::BacktestOptions& o,
                      const analytics::BacktestListener& listener, std::stop_token stop) {
            return analytics::runBacktest(
                layout, o,
                [&](const analytics::BacktestProgress& p) {
                    listener(p);
                    std::unique_lock<std::mutex> lock(m_mutex);
                    m_held = true;
                    m_changed.notify_all();
                    m_changed.wait_for(lock, std::chrono::seconds(10), [this] { return m_released; });
                },
                std::move(stop));
        };
    }

    // Waits until the run is held after its first race.
    bool waitHeld()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(10), [this] { return m_held; });
    }

    void release()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_held = false;
    bool m_released = false;
};

} // namespace tidemark::testing
