#include "gui/odds_watch_bar.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QStatusBar>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/qt_host.h"
#include "text/cp932.h"

namespace tidemark::gui {

using presentation::OddsWatchModel;
using presentation::OddsWatchSettingsModel;

OddsWatchBar::OddsWatchBar(MainWindowModel& model, QWidget* dialogParent, QStatusBar& statusBar)
    : QObject(&statusBar), m_model(model), m_dialogParent(dialogParent)
{
    setObjectName(QStringLiteral("OddsWatchBar"));
    OddsWatchLabel = new QLabel(&statusBar);
    OddsWatchLabel->setObjectName(QStringLiteral("OddsWatchLabel"));
    OddsWatchLabel->setTextFormat(Qt::PlainText);
    OddsWatchBtn = new QToolButton(&statusBar);
    OddsWatchBtn->setObjectName(QStringLiteral("OddsWatchBtn"));
    OddsWatchBtn->setText(qs(OddsWatchModel::switchCaption()));
    OddsWatchBtn->setCheckable(true);
    OddsWatchBtn->setStatusTip(qs(OddsWatchModel::switchHint()));
    OddsWatchBtn->setToolTip(OddsWatchBtn->statusTip());
    OddsWatchSetBtn = new QToolButton(&statusBar);
    OddsWatchSetBtn->setObjectName(QStringLiteral("OddsWatchSetBtn"));
    OddsWatchSetBtn->setText(qs(OddsWatchModel::settingsCaption()));
    statusBar.addPermanentWidget(OddsWatchLabel);
    statusBar.addPermanentWidget(OddsWatchBtn);
    statusBar.addPermanentWidget(OddsWatchSetBtn);

    connect(OddsWatchBtn, &QToolButton::clicked, this, [this] {
        m_model.oddsWatch().OddsWatchBtnClick();
        showState(); // the button follows the model, also when the click changed nothing
    });
    connect(OddsWatchSetBtn, &QToolButton::clicked, this, [this] {
        showOddsWatchSettingsForm(m_dialogParent, m_model.oddsWatch(), m_model.settings(), m_model.host());
    });
    showState();
}

void OddsWatchBar::showState()
{
    OddsWatchBtn->setChecked(m_model.oddsWatch().switchDown());
    const QString text = qs(m_model.oddsWatch().statusText());
    OddsWatchLabel->setText(text);
    const std::string hint = m_model.oddsWatch().statusHint();
    OddsWatchLabel->setToolTip(hint.empty() ? text : text + QStringLiteral("\n") + qs(hint));
}

void showOddsWatchSettingsForm(QWidget* parent, OddsWatchModel& watch, IniFile& settings, Host& host)
{
    OddsWatchSettingsModel model(settings);
    const auto& t = OddsWatchSettingsModel::texts();
    QDialog d(parent);
    d.setObjectName(QStringLiteral("TOddsWatchSetForm"));
    d.setWindowTitle(qs(t.caption));
    auto* v = new QVBoxLayout(&d);
    auto* explanation = new QLabel(qs(t.explanation), &d);
    explanation->setWordWrap(true);
    explanation->setMaximumWidth(360);
    v->addWidget(explanation);
    auto* grid = new QGridLayout;
    const auto spin = [&d](const SpinBoxState& s, const char* name) {
        auto* b = new QSpinBox(&d);
        b->setObjectName(QString::fromLatin1(name));
        b->setRange(s.minValue, s.maxValue);
        b->setValue(s.value);
        return b;
    };
    QSpinBox* ahead = spin(model.ahead(), "AheadEdit");
    QSpinBox* every = spin(model.every(), "EveryEdit");
    QSpinBox* nearBox = spin(model.near(), "NearEdit");
    grid->addWidget(new QLabel(qs(t.aheadBefore), &d), 0, 0);
    grid->addWidget(ahead, 0, 1);
    grid->addWidget(new QLabel(qs(t.aheadAfter), &d), 0, 2);
    grid->addWidget(new QLabel(qs(t.everyBefore), &d), 1, 0);
    grid->addWidget(every, 1, 1);
    grid->addWidget(new QLabel(qs(t.everyAfter), &d), 1, 2);
    grid->addWidget(new QLabel(qs(t.nearBefore), &d), 2, 0);
    grid->addWidget(nearBox, 2, 1);
    grid->addWidget(new QLabel(qs(t.nearAfter), &d), 2, 2);
    v->addLayout(grid);
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(qs(t.okCaption), &d);
    auto* cancel = new QPushButton(qs(t.cancelCaption), &d);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    v->addLayout(buttons);
    QObject::connect(ok, &QPushButton::clicked, &d, [&] {
        model.setAhead(ahead->value());
        model.setEvery(every->value());
        model.setNear(nearBox->value());
        if (!model.okClick(host))
            return;
        watch.settingsChanged();
        d.accept();
    });
    QObject::connect(cancel, &QPushButton::clicked, &d, [&] {
        model.cancelClick();
        d.reject();
    });
    d.setFixedSize(d.sizeHint());
    d.exec();
}

} // namespace tidemark::gui
