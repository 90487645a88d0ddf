#include "acquisition/nv_channel.h"

#include "text/cp932.h"

namespace tidemark::acquisition {

bool NvChannel::tryClaim() noexcept
{
    switch (m_holder) {
    case Holder::User:
        return false;
    case Holder::Background: {
        // The background work closes its transfer before the user's one opens.
        const std::function<void()> giveWay = std::move(m_giveWay);
        m_giveWay = nullptr;
        m_holder = Holder::None;
        if (giveWay) {
            try {
                giveWay();
            } catch (...) {
                // A failed close is the background's own loss; the user's fetch goes on.
            }
        }
        break;
    }
    case Holder::None:
        break;
    }
    m_holder = Holder::User;
    ++m_generation;
    return true;
}

void NvChannel::release() noexcept
{
    if (m_holder == Holder::User)
        m_holder = Holder::None;
}

NvChannel::BackgroundClaim::BackgroundClaim(NvChannel& channel, std::function<void()> giveWay) : m_channel(channel)
{
    if (m_channel.m_holder != Holder::None)
        return;
    m_channel.m_holder = Holder::Background;
    m_channel.m_giveWay = std::move(giveWay);
    m_generation = ++m_channel.m_generation;
    m_granted = true;
}

NvChannel::BackgroundClaim::~BackgroundClaim()
{
    if (held()) {
        m_channel.m_holder = Holder::None;
        m_channel.m_giveWay = nullptr;
    }
}

bool NvChannel::BackgroundClaim::held() const noexcept
{
    return m_granted && m_channel.m_holder == Holder::Background && m_channel.m_generation == m_generation;
}

std::string busyRefusalText()
{
    return text::sj("他のデータ取得を実行中です。終了してから実行してください。");
}

void refuseWhileBusy(Host& host)
{
    host.beep();
    host.information(busyRefusalText());
}

} // namespace tidemark::acquisition
