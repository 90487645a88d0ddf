#include "presentation/oz_get_model.h"

#include "text/cp932.h"

namespace tidemark::presentation {

using text::sj;

std::string OzGetModel::caption() { return sj("オッズ一括取得"); }
std::string OzGetModel::buttonStartCaption() { return sj("オッズ取込(単日)"); }
std::string OzGetModel::dlMonthBtnCaption() { return sj("オッズ取込(月単位)"); }
std::string OzGetModel::dlYearBtnCaption() { return sj("オッズ取込(年単位)"); }
std::string OzGetModel::buttonCancelCaption() { return sj("データ取込中止"); }

OzGetModel::OzGetModel(acquisition::NvChannel& channel, Host& host, store::RecordStore& store,
                       std::function<int()> raceListCount)
    : m_import(channel, host, store)
{
    m_import.setRaceListCount(std::move(raceListCount));
}

int OzGetModel::DateComboIndex() const noexcept
{
    const int i = m_import.selectedIndex();
    return i >= 0 && static_cast<std::size_t>(i) < m_import.dateItems().size() ? i : -1;
}

} // namespace tidemark::presentation
