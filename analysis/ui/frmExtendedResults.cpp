#include "analysis/ui/frmExtendedResults.h"

#include "analysis/ChosenRates.h"
#include "analysis/ui/frmShearRates.h"
#include "common/Messenger.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

void showTable(QTableWidget* grid, const model_tables::Table& table) {
    grid->setUpdatesEnabled(false);
    grid->clearSpans();
    grid->setRowCount(0);
    grid->setColumnCount(static_cast<int>(table.header.size()));
    for (int c = 0; c < table.header.size(); ++c) {
        auto* item = new QTableWidgetItem(QString(table.header[c]).replace(u'\r', u'\n'));
        item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        grid->setHorizontalHeaderItem(c, item);
    }
    grid->setRowCount(static_cast<int>(table.rows.size()));
    for (int r = 0; r < table.rows.size(); ++r) {
        const QStringList& cells = table.rows[r];
        for (int c = 0; c < cells.size() && c < grid->columnCount(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            grid->setItem(r, c, item);
        }
        // The reason a model has no fit reads across the cells its numbers would take.
        if (const int failure = table.failureCell[r]; failure >= 0)
            grid->setSpan(r, failure, 1, grid->columnCount() - failure);
    }
    grid->resizeColumnsToContents();
    grid->setUpdatesEnabled(true);
}

QString ratesText(const std::vector<double>& rates) {
    if (rates.empty())
        return QStringLiteral("Viscosities at 40, 100 and 170 1/s; no other shear rate chosen.");
    return QStringLiteral("Viscosities at 40, 100 and 170 1/s and at %1 1/s.")
        .arg(ChosenRates::listText(rates));
}

}  // namespace

frmExtendedResults::frmExtendedResults(Messenger& messenger, QWidget* parent)
    : QWidget(parent, Qt::Window), messenger_(messenger) {
    setObjectName(QStringLiteral("frmExtendedResults"));
    setWindowTitle(QString::fromLatin1(kCaption));
    lblTest = new QLabel(this);
    lblTest->setObjectName(QStringLiteral("lblTest"));
    lblRates = new QLabel(this);
    lblRates->setObjectName(QStringLiteral("lblRates"));
    cmdRates = new QPushButton(QStringLiteral("Shear &Rates..."), this);
    cmdRates->setObjectName(QStringLiteral("cmdRates"));
    cmdRates->setToolTip(QStringLiteral("Choose the shear rates of the viscosity columns"));
    tabModels = new QTabWidget(this);
    tabModels->setObjectName(QStringLiteral("tabModels"));
    for (std::size_t m = 0; m < grids.size(); ++m) {
        auto* grid = new QTableWidget(0, 0, tabModels);
        grid->setObjectName(QStringLiteral("grdModel%1").arg(m));
        grid->verticalHeader()->hide();
        grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
        grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        grid->horizontalHeader()->setMinimumHeight(grid->fontMetrics().lineSpacing() * 3 + 8);
        grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().lineSpacing() + 6);
        tabModels->addTab(grid, model_tables::Title(model_tables::kModels[m]));
        grids[m] = grid;
    }

    auto* top = new QHBoxLayout;
    auto* labels = new QVBoxLayout;
    labels->addWidget(lblTest);
    labels->addWidget(lblRates);
    top->addLayout(labels, 1);
    top->addWidget(cmdRates);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(tabModels, 1);
    resize(1000, 420);

    ratesEditor_ = [this](const std::vector<double>& rates) -> std::optional<std::vector<double>> {
        frmShearRates dialog(messenger_, rates, this);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.Rates();
    };
    connect(cmdRates, &QPushButton::clicked, this, &frmExtendedResults::cmdRates_Click);
    redraw();
}

void frmExtendedResults::ShowTest(const OpenedTest* test, UnitSystem unitSystem) {
    test_ = test && test->isOpen() ? test : nullptr;
    unitSystem_ = unitSystem;
    redraw();
}

void frmExtendedResults::ReadRates() {
    const ChosenRates chosen = ChosenRates::read();
    if (!chosen.problems.isEmpty())
        messenger_.info(chosen.problems.join(u'\n'), QString::fromLatin1(kCaption), MsgIcon::Exclamation);
    rates_ = chosen.rates;
    redraw();
}

void frmExtendedResults::cmdRates_Click() {
    const std::optional<std::vector<double>> rates = ratesEditor_(rates_);
    if (!rates) return;
    rates_ = *rates;
    redraw();
}

void frmExtendedResults::redraw() {
    const OpenedTest none;
    const OpenedTest& test = test_ ? *test_ : none;
    lblTest->setText(test_ ? QStringLiteral("Test: %1").arg(test.name) : QStringLiteral("No test open."));
    lblRates->setText(ratesText(rates_));
    const model_tables::Options options{true, rates_};
    for (std::size_t m = 0; m < grids.size(); ++m)
        showTable(grids[m], model_tables::Build(model_tables::kModels[m], test, unitSystem_, options));
}
