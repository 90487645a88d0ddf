#include "gui/sim_settings_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/qt_host.h"
#include "host/host.h"
#include "nvsim/sim_settings_model.h"
#include "text/cp932.h"

namespace tidemark::gui {
namespace {

std::string cp932Of(const QLineEdit* e) { return text::fromUtf8(e->text().toStdString()); }

QLineEdit* edit(QWidget* parent, const char* name, const std::string& cp932, int width)
{
    auto* e = new QLineEdit(qs(cp932), parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setFixedWidth(width);
    return e;
}

} // namespace

TSimSettingsForm::TSimSettingsForm(std::filesystem::path iniPath, Host& host, QWidget* parent)
    : QDialog(parent), m_iniPath(std::move(iniPath)), m_host(host)
{
    using nvsim::SimSettingsTexts;
    const SimSettingsTexts& t = nvsim::simSettingsTexts();
    setObjectName(QStringLiteral("TSimSettingsForm"));
    setWindowTitle(qs(t.title));
    setModal(true);

    const nvsim::SimSettingsFields f = nvsim::fieldsOf(nvsim::loadSimConfig(m_iniPath));
    auto* column = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    SeedEdit = edit(this, "SeedEdit", f.seed, 110);
    FirstDayEdit = edit(this, "FirstDayEdit", f.firstDay, 110);
    LastDayEdit = edit(this, "LastDayEdit", f.lastDay, 110);
    DownloadSpeedEdit = edit(this, "DownloadSpeedEdit", f.downloadSpeed, 70);
    SteamRateEdit = edit(this, "SteamRateEdit", f.steamRate, 70);
    SteamStrengthEdit = edit(this, "SteamStrengthEdit", f.steamStrength, 70);
    form->addRow(qs(t.seed), SeedEdit);
    form->addRow(qs(t.firstDay), FirstDayEdit);
    form->addRow(qs(t.lastDay), LastDayEdit);
    auto* hint = new QLabel(qs(t.dayHint), this);
    form->addRow(QString(), hint);
    form->addRow(qs(t.downloadSpeed), DownloadSpeedEdit);
    form->addRow(qs(t.steamRate), SteamRateEdit);
    form->addRow(qs(t.steamStrength), SteamStrengthEdit);
    column->addLayout(form);

    auto* faults = new QGroupBox(qs(t.faults), this);
    auto* grid = new QGridLayout(faults);
    grid->setVerticalSpacing(2);
    for (int c = 0; c < 4; ++c)
        grid->addWidget(new QLabel(qs(t.faultHeaders[static_cast<std::size_t>(c)]), faults), 0, c + 1);
    const std::vector<std::string> calls = nvsim::simFaultCallChoices();
    for (std::size_t i = 0; i < Faults.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        const nvsim::SimFaultFields& r = f.faults[i];
        FaultRow& w = Faults[i];
        grid->addWidget(new QLabel(QString::number(row), faults), row, 0);
        w.call = new QComboBox(faults);
        w.call->setObjectName(QStringLiteral("FaultCall%1").arg(row));
        for (const std::string& c : calls)
            w.call->addItem(qs(c));
        const int at = w.call->findText(qs(r.call));
        if (at < 0 && !r.call.empty())
            w.call->addItem(qs(r.call)); // a name the file holds is shown as it is, to be corrected
        w.call->setCurrentIndex(at >= 0 ? at : (r.call.empty() ? 0 : w.call->count() - 1));
        w.code = edit(faults, "", r.code, 70);
        w.at = edit(faults, "", r.at.empty() ? "1" : r.at, 70);
        w.count = edit(faults, "", r.count.empty() ? "1" : r.count, 70);
        w.code->setObjectName(QStringLiteral("FaultCode%1").arg(row));
        w.at->setObjectName(QStringLiteral("FaultAt%1").arg(row));
        w.count->setObjectName(QStringLiteral("FaultCount%1").arg(row));
        grid->addWidget(w.call, row, 1);
        grid->addWidget(w.code, row, 2);
        grid->addWidget(w.at, row, 3);
        grid->addWidget(w.count, row, 4);
    }
    column->addWidget(faults);

    auto* note = new QLabel(qs(t.note), this);
    note->setWordWrap(true);
    column->addWidget(note);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TSimSettingsForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TSimSettingsForm::reject);
    column->addWidget(buttons);
}

void TSimSettingsForm::accept()
{
    nvsim::SimSettingsFields f;
    f.seed = cp932Of(SeedEdit);
    f.firstDay = cp932Of(FirstDayEdit);
    f.lastDay = cp932Of(LastDayEdit);
    f.downloadSpeed = cp932Of(DownloadSpeedEdit);
    f.steamRate = cp932Of(SteamRateEdit);
    f.steamStrength = cp932Of(SteamStrengthEdit);
    for (std::size_t i = 0; i < Faults.size(); ++i) {
        const FaultRow& w = Faults[i];
        f.faults[i] = {text::fromUtf8(w.call->currentText().toStdString()), cp932Of(w.code), cp932Of(w.at),
                       cp932Of(w.count)};
    }
    const nvsim::SimSettingsCheck check = nvsim::saveSimSettings(f, m_iniPath, m_host);
    if (!check.ok) {
        using F = nvsim::SimSettingsField;
        QWidget* box = nullptr;
        const auto row = static_cast<std::size_t>(check.faultRow < 0 ? 0 : check.faultRow);
        switch (check.field) {
        case F::Seed: box = SeedEdit; break;
        case F::FirstDay: box = FirstDayEdit; break;
        case F::LastDay: box = LastDayEdit; break;
        case F::DownloadSpeed: box = DownloadSpeedEdit; break;
        case F::SteamRate: box = SteamRateEdit; break;
        case F::SteamStrength: box = SteamStrengthEdit; break;
        case F::FaultCall: box = Faults[row].call; break;
        case F::FaultCode: box = Faults[row].code; break;
        case F::FaultAt: box = Faults[row].at; break;
        case F::FaultCount: box = Faults[row].count; break;
        case F::None: break;
        }
        if (box)
            box->setFocus();
        return;
    }
    QDialog::accept();
}

nvsim::SimSettingsEditor simSettingsEditor(Host& host)
{
    return [&host](const std::filesystem::path& iniPath) {
        TSimSettingsForm d(iniPath, host, QApplication::activeModalWidget());
        d.exec();
        return 0;
    };
}

} // namespace tidemark::gui
