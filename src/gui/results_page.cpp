#include "gui/results_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>

#include "gui/qt_host.h"

namespace tidemark::gui {

ResultsPage::ResultsPage(ResultsPanelModel& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    setObjectName(QStringLiteral("ResultsPage"));
    auto* outer = new QGridLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    int index = 0;
    for (records::PayoutKind kind : results::kPanelKinds) {
        auto* box = new QGroupBox(qs(results::ResultsPanel::kindCaption(kind)), this);
        auto* grid = new QGridLayout(box);
        grid->setHorizontalSpacing(10);
        grid->setVerticalSpacing(1);
        int col = 0;
        for (results::PanelColumn column : results::kPanelColumns) {
            grid->addWidget(new QLabel(qs(results::ResultsPanel::columnCaption(column)), box), 0, col);
            int row = 1;
            for (std::string_view name : results::ResultsPanel::labelNames(kind, column)) {
                auto* label = new QLabel(box);
                label->setObjectName(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
                // Amounts and numbers are fixed-width texts; keep their columns.
                label->setFont(QFont(QStringLiteral("IPAGothic")));
                label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
                grid->addWidget(label, row++, col);
                m_labels.emplace(std::string(name), label);
            }
            ++col;
        }
        grid->setRowStretch(grid->rowCount(), 1);
        outer->addWidget(box, index / 3, index % 3);
        ++index;
    }
    outer->setRowStretch(3, 1);
    m_model.setObserver(this);
    resultsPanelChanged();
}

ResultsPage::~ResultsPage()
{
    m_model.setObserver(nullptr);
}

void ResultsPage::resultsPanelChanged()
{
    for (auto& [name, label] : m_labels)
        label->setText(qs(m_model.labelText(name)));
}

} // namespace tidemark::gui
