#include "gui/time_dialogs.h"

#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "gui/qt_host.h"
#include "presentation/time_dialog_models.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark::gui {
namespace {

QLabel* label(const std::string& cp932, QWidget* parent, bool wrap = false)
{
    auto* l = new QLabel(qs(cp932), parent);
    l->setWordWrap(wrap);
    return l;
}

QSpinBox* spin(const SpinBoxState& s, QWidget* parent)
{
    auto* b = new QSpinBox(parent);
    b->setRange(s.minValue, s.maxValue);
    b->setValue(s.value);
    return b;
}

// A handler that writes settings may meet a file error; the dialog then stays open and
// the user sees why.
template <class F>
void guarded(Host& host, F&& f)
{
    try {
        f();
    } catch (const text::FileError& e) {
        host.beep();
        host.message(text::fromUtf8(e.what()));
    }
}

void finish(QDialog& d)
{
    d.setFixedSize(d.sizeHint());
    d.exec();
}

} // namespace

void showFirstTimeForm(QWidget* parent, IniFile& settings, Host& host)
{
    FirstTimeFormModel model(settings);
    const auto& t = FirstTimeFormModel::texts();
    QDialog d(parent);
    d.setObjectName(QStringLiteral("TFirstTimeForm"));
    d.setWindowTitle(qs(t.caption));
    auto* v = new QVBoxLayout(&d);
    for (const std::string& line : t.intro)
        v->addWidget(label(line, &d));
    auto* row = new QHBoxLayout;
    row->addWidget(label(t.am, &d));
    QSpinBox* hour = spin(model.hour(), &d);
    row->addWidget(hour);
    row->addWidget(label(t.hourUnit, &d));
    QSpinBox* minute = spin(model.minute(), &d);
    row->addWidget(minute);
    row->addWidget(label(t.minuteUnit, &d));
    row->addStretch(1);
    v->addLayout(row);
    v->addWidget(label(t.rangeNote, &d));
    v->addWidget(label(t.ignoreNote, &d, true));
    auto* ignore = new QCheckBox(qs(t.ignoreCheckCaption), &d);
    ignore->setChecked(model.ignoreFirstTime());
    v->addWidget(ignore);
    auto* ok = new QPushButton(qs(t.okCaption), &d);
    v->addWidget(ok, 0, Qt::AlignHCenter);

    QObject::connect(ignore, &QCheckBox::toggled, &d,
                     [&](bool on) { guarded(host, [&] { model.ignoreCheckClick(on); }); });
    QObject::connect(ok, &QPushButton::clicked, &d, [&] {
        model.setHour(hour->value());
        model.setMinute(minute->value());
        guarded(host, [&] { model.okClick(); });
        if (!model.isOpen())
            d.accept();
    });
    finish(d);
}

void showOzGetTimeForm(QWidget* parent, IniFile& settings, Host& host)
{
    OzGetTimeFormModel model(settings);
    const auto& t = OzGetTimeFormModel::texts();
    QDialog d(parent);
    d.setObjectName(QStringLiteral("TOzGetTimeForm"));
    d.setWindowTitle(qs(t.caption));
    auto* v = new QVBoxLayout(&d);
    QLabel* heading = label(t.heading, &d);
    QFont f = heading->font();
    f.setBold(true);
    heading->setFont(f);
    v->addWidget(heading);
    v->addWidget(label(t.explanation, &d, true));
    auto* row = new QHBoxLayout;
    QSpinBox* interval = spin(model.interval(), &d);
    row->addWidget(interval);
    row->addWidget(label(t.unit, &d));
    row->addStretch(1);
    v->addLayout(row);
    auto* ok = new QPushButton(qs(t.okCaption), &d);
    v->addWidget(ok, 0, Qt::AlignHCenter);
    QObject::connect(ok, &QPushButton::clicked, &d, [&] {
        model.setInterval(interval->value());
        guarded(host, [&] { model.okClick(); });
        if (!model.isOpen())
            d.accept();
    });
    finish(d);
}

void showTimeAddForm(QWidget* parent, IniFile& settings, Host& host)
{
    TimeAddFormModel model(settings, host);
    const auto& t = TimeAddFormModel::texts();
    QDialog d(parent);
    d.setObjectName(QStringLiteral("TTimeAddForm"));
    d.setWindowTitle(qs(t.caption));
    auto* v = new QVBoxLayout(&d);
    QLabel* explanation = label(t.explanation, &d, true);
    explanation->setMaximumWidth(420);
    v->addWidget(explanation);
    auto* grid = new QGridLayout;
    QSpinBox* boxes[3] = {spin(model.first(), &d), spin(model.second(), &d), spin(model.third(), &d)};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(label(t.rowCaptions.at(static_cast<std::size_t>(i)), &d), i, 0);
        grid->addWidget(label(t.before, &d), i, 1);
        grid->addWidget(boxes[i], i, 2);
        grid->addWidget(label(t.beforeUnit, &d), i, 3);
        grid->addWidget(label(t.rowNote, &d), i, 4);
    }
    v->addLayout(grid);
    auto* notUse = new QCheckBox(qs(t.notUseCheckCaption), &d);
    notUse->setChecked(model.notUse());
    v->addWidget(notUse);
    v->addWidget(label(t.notUseNote, &d));
    auto* ok = new QPushButton(qs(t.okCaption), &d);
    v->addWidget(ok, 0, Qt::AlignHCenter);
    QObject::connect(ok, &QPushButton::clicked, &d, [&] {
        model.setFirst(boxes[0]->value());
        model.setSecond(boxes[1]->value());
        model.setThird(boxes[2]->value());
        model.notUseCheckClick(notUse->isChecked());
        guarded(host, [&] { model.okClick(); });
        if (!model.isOpen())
            d.accept();
    });
    finish(d);
}

} // namespace tidemark::gui
