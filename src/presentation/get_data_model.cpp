#include "presentation/get_data_model.h"

#include "text/cp932.h"

namespace tidemark::presentation {

using text::sj;

std::string GetDataModel::caption() { return sj("データ取込"); }
std::string GetDataModel::buttonStartCaption() { return sj("データ取込"); }
std::string GetDataModel::buttonCancelCaption() { return sj("データ取込中止"); }
std::string GetDataModel::speedButton1Caption() { return sj("UmaConn設定"); }
std::string GetDataModel::downloadCaption() { return sj("ダウンロード"); }
std::string GetDataModel::readCaption() { return sj("読込み"); }
std::string GetDataModel::makeDataCaption() { return sj("作成データ"); }
std::string GetDataModel::startDateCaption() { return sj("取得開始日付"); }

GetDataModel::GetDataModel(acquisition::NvChannel& channel, Host& host, store::RecordStore& store,
                           IniFile& settings, std::function<void()> onClosed)
    : m_import(channel, host, store, settings), m_onClosed(std::move(onClosed))
{
}

void GetDataModel::setOnChange(std::function<void()> onChange) { m_import.setOnChange(std::move(onChange)); }

void GetDataModel::setOnCloseReady(std::function<void()> onCloseReady)
{
    m_import.setOnCloseReady(std::move(onCloseReady));
}

void GetDataModel::FormShow() { m_import.open(); }

void GetDataModel::FormClose()
{
    if (m_closed)
        return;
    // Never leaves a transfer behind, whatever the view did before.
    m_import.requestClose();
    m_closed = true;
    if (m_onClosed)
        m_onClosed();
}

} // namespace tidemark::presentation
