#pragma once
// The simulated data service's own settings dialog, shown by "UmaConn設定" while that
// service answers: edits NVSim.ini (the world's seed and days, the download speed, the
// planted informed money and the injected faults).

#include <QDialog>

#include <array>
#include <filesystem>

#include "nvsim/sim_config.h"
#include "nvsim/sim_nv_link_factory.h"

class QComboBox;
class QLineEdit;

namespace tidemark {
class Host;
}

namespace tidemark::gui {

class TSimSettingsForm : public QDialog {
    Q_OBJECT
public:
    // Shows the values of the file at `iniPath` (the defaults where it has none).
    TSimSettingsForm(std::filesystem::path iniPath, Host& host, QWidget* parent = nullptr);

    // OK: checks the boxes and writes the file; a value to correct or a file that cannot
    // be written is shown and the dialog stays open.
    void accept() override;

    QLineEdit* SeedEdit = nullptr;
    QLineEdit* FirstDayEdit = nullptr;
    QLineEdit* LastDayEdit = nullptr;
    QLineEdit* DownloadSpeedEdit = nullptr;
    QLineEdit* SteamRateEdit = nullptr;
    QLineEdit* SteamStrengthEdit = nullptr;
    struct FaultRow {
        QComboBox* call = nullptr;
        QLineEdit* code = nullptr;
        QLineEdit* at = nullptr;
        QLineEdit* count = nullptr;
    };
    std::array<FaultRow, nvsim::kMaxFaults> Faults{};

private:
    std::filesystem::path m_iniPath;
    Host& m_host;
};

// The editor the simulated service shows for NVSetUIProperties: the dialog above, over the
// window in front; it answers 0, saved or cancelled.
nvsim::SimSettingsEditor simSettingsEditor(Host& host);

} // namespace tidemark::gui
