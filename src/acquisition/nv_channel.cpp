#include "acquisition/nv_channel.h"

#include "text/cp932.h"

namespace tidemark::acquisition {

bool NvChannel::tryClaim() noexcept
{
    if (m_busy)
        return false;
    m_busy = true;
    return true;
}

std::string busyRefusalText()
{
    return text::sj("他のデータ取得を実行中です。終了してから実行してください。");
}

} // namespace tidemark::acquisition
