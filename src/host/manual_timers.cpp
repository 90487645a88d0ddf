#include "host/manual_timers.h"

#include <algorithm>

namespace tidemark {

namespace {

// The owner's handle; the state outlives it in the list until the next make().
class ManualTimer final : public HostTimer {
public:
    ManualTimer(std::shared_ptr<ManualTimers::State> state, unsigned long& starts)
        : m_state(std::move(state)), m_starts(starts)
    {
    }
    ~ManualTimer() override
    {
        m_state->alive = false;
        m_state->running = false;
        m_state->onTick = nullptr;
    }
    void start(int intervalMs, std::function<void()> onTick) override
    {
        m_state->running = true;
        m_state->intervalMs = intervalMs;
        m_state->startOrder = ++m_starts;
        m_state->onTick = std::move(onTick);
    }
    void stop() override { m_state->running = false; }
    bool running() const override { return m_state->running; }

private:
    std::shared_ptr<ManualTimers::State> m_state;
    unsigned long& m_starts;
};

} // namespace

std::unique_ptr<HostTimer> ManualTimers::make(TimerId kind)
{
    std::erase_if(m_timers, [](const std::shared_ptr<State>& s) { return !s->alive; });
    auto state = std::make_shared<State>();
    state->kind = kind;
    m_timers.push_back(state);
    return std::make_unique<ManualTimer>(std::move(state), m_starts);
}

bool ManualTimers::fire(TimerId kind)
{
    std::vector<std::shared_ptr<State>> due;
    for (const auto& s : m_timers)
        if (s->kind == kind && s->running && s->onTick)
            due.push_back(s);
    for (const auto& s : due) {
        if (!s->running || !s->onTick)
            continue;
        const std::function<void()> tick = s->onTick; // the tick may restart or destroy its timer
        tick();
    }
    return !due.empty();
}

bool ManualTimers::running(TimerId kind) const { return runningCount(kind) > 0; }

std::size_t ManualTimers::runningCount(TimerId kind) const
{
    return static_cast<std::size_t>(std::count_if(m_timers.begin(), m_timers.end(), [kind](const auto& s) {
        return s->kind == kind && s->running;
    }));
}

int ManualTimers::intervalMs(TimerId kind) const
{
    const State* best = nullptr;
    for (const auto& s : m_timers) {
        if (s->kind != kind || !s->alive)
            continue;
        if (!best || std::pair(s->running, s->startOrder) > std::pair(best->running, best->startOrder))
            best = s.get();
    }
    return best ? best->intervalMs : 0;
}

} // namespace tidemark
