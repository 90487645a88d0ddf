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
    : m_channel(channel), m_import(channel, host, store)
{
    m_import.setRaceListCount(std::move(raceListCount));
}

void OzGetModel::DateComboChange(int index)
{
    if (importRunning())
        return;
    m_import.selectDay(index);
}

void OzGetModel::ButtonStartClick()
{
    m_import.importDay();
    importEnded();
}

void OzGetModel::DLmonthBtnClick()
{
    m_import.importPeriod(acquisition::BatchOddsImport::Period::Month);
    importEnded();
}

void OzGetModel::DLyearBtnClick()
{
    m_import.importPeriod(acquisition::BatchOddsImport::Period::Year);
    importEnded();
}

bool OzGetModel::FormCloseQuery()
{
    if (!importRunning())
        return true;
    m_channel.requestCancel();
    m_closeRequested = true;
    return false;
}

void OzGetModel::importEnded()
{
    // A click refused while another import ran returns here too: wait for that one.
    if (!m_closeRequested || importRunning())
        return;
    m_closeRequested = false;
    if (m_onCloseReady)
        m_onCloseReady();
}

int OzGetModel::DateComboIndex() const noexcept
{
    const int i = m_import.selectedIndex();
    return i >= 0 && static_cast<std::size_t>(i) < m_import.dateItems().size() ? i : -1;
}

} // namespace tidemark::presentation
