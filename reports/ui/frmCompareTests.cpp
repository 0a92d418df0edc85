#include "reports/ui/frmCompareTests.h"

#include "analysis/ui/TestChart2D.h"
#include "common/Messenger.h"
#include "common/Settings.h"
#include "common/VbFormat.h"
#include "reports/ReadingsCsv.h"
#include "reports/ReportCommon.h"
#include "reports/WorkbookFile.h"
#include "store/StoreError.h"
#include "store/clsTEST_INFO.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr const char* kSheetName = "Compared tests";

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

}  // namespace

frmCompareTests::frmCompareTests(clsConnection& connection, Messenger& messenger, const Settings& settings,
                                 QWidget* parent)
    : QDialog(parent), connection_(connection), messenger_(messenger), settings_(settings) {
    setObjectName(QStringLiteral("frmCompareTests"));
    setWindowTitle(QString::fromUtf8(kCaption));
    saveFileName = [](QWidget* p, const QString& caption, const QString& suggested, const QString& filter) {
        return QFileDialog::getSaveFileName(p, caption, suggested, filter);
    };

    lstTests = new QListWidget(this);
    lstTests->setObjectName(QStringLiteral("lstTests"));
    try {
        clsTEST_INFO list;
        for (const QString& name : ListStoredTestNames(connection, list)) {
            auto* item = new QListWidgetItem(name, lstTests);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
    } catch (const StoreError& error) {
        messenger.info(QStringLiteral("The stored tests could not be listed.\n") + error.report(), {},
                       MsgIcon::Critical);
    }
    auto* viscosity = new QGroupBox(QStringLiteral("Viscosity"), this);
    optApparent = new QRadioButton(QStringLiteral("Apparent (ordinary readings)"), viscosity);
    optApparent->setObjectName(QStringLiteral("optApparent"));
    optFitted = new QRadioButton(QStringLiteral("Fitted at (1/S):"), viscosity);
    optFitted->setObjectName(QStringLiteral("optFitted"));
    txtRate = new QLineEdit(QStringLiteral("100"), viscosity);
    txtRate->setObjectName(QStringLiteral("txtRate"));
    optApparent->setChecked(true);
    auto* choice = new QVBoxLayout(viscosity);
    choice->addWidget(optApparent);
    auto* fitted = new QHBoxLayout;
    fitted->addWidget(optFitted);
    fitted->addWidget(txtRate);
    choice->addLayout(fitted);

    cmdCompare = button(this, "cmdCompare", QStringLiteral("Co&mpare"));
    cmdCsv = button(this, "cmdCsv", QStringLiteral("Export &CSV..."));
    cmdExcel = button(this, "cmdExcel", QStringLiteral("Export &Excel..."));
    cmdClose = button(this, "cmdClose", QStringLiteral("C&lose"));
    auto* side = new QVBoxLayout;
    side->addWidget(lstTests, 1);
    side->addWidget(viscosity);
    for (QPushButton* b : {cmdCompare, cmdCsv, cmdExcel, cmdClose}) side->addWidget(b);

    Chart = new TestChart2D(this);
    Chart->setObjectName(QStringLiteral("Chart"));
    grdTable = new QTableWidget(this);
    grdTable->setObjectName(QStringLiteral("grdTable"));
    grdTable->verticalHeader()->hide();
    grdTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(Chart);
    split->addWidget(grdTable);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(side);
    layout->addWidget(split, 1);
    resize(1180, 780);

    connect(cmdCompare, &QPushButton::clicked, this, &frmCompareTests::cmdCompare_Click);
    connect(cmdCsv, &QPushButton::clicked, this, &frmCompareTests::cmdCsv_Click);
    connect(cmdExcel, &QPushButton::clicked, this, &frmCompareTests::cmdExcel_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(optApparent, &QRadioButton::toggled, this, [this] {
        if (tests_.size() >= 2) cmdCompare_Click();
    });
}

void frmCompareTests::Check(const QStringList& names) {
    for (int i = 0; i < lstTests->count(); ++i)
        if (names.contains(lstTests->item(i)->text())) lstTests->item(i)->setCheckState(Qt::Checked);
}

QStringList frmCompareTests::Checked() const {
    QStringList names;
    for (int i = 0; i < lstTests->count(); ++i)
        if (lstTests->item(i)->checkState() == Qt::Checked) names << lstTests->item(i)->text();
    return names;
}

void frmCompareTests::cmdCompare_Click() {
    const QStringList names = Checked();
    if (names.size() < 2) {
        messenger_.info(QString::fromUtf8(kTooFew));
        return;
    }
    compare_tests::Choice choice;
    if (optFitted->isChecked()) {
        bool ok = false;
        const double rate = txtRate->text().trimmed().toDouble(&ok);
        if (!ok || !(rate > 0)) {
            messenger_.info(
                QStringLiteral("The shear rate \"%1\" is not a number above 0.").arg(txtRate->text()));
            return;
        }
        choice.fittedAt_1ps = rate;
    }
    std::vector<OpenedTest> tests;
    try {
        for (const QString& name : names) {
            tests.push_back(OpenStoredTest(connection_, name, ChartDataOption::All, settings_.unitSystem()));
            if (!tests.back().isOpen()) {
                messenger_.info(QStringLiteral("The test \"%1\" is no longer stored.").arg(name));
                return;
            }
        }
    } catch (const StoreError& error) {
        messenger_.info(QStringLiteral("The tests could not be read.\n") + error.report(), {},
                        MsgIcon::Critical);
        return;
    }
    tests_ = std::move(tests);
    if (!choice.fittedAt_1ps && !optFitted->isChecked())
        txtRate->setText(vb::Format(compare_tests::SuggestedRate(tests_), QString()));
    Chart->Draw(compare_tests::BuildChart(tests_, choice), AxisScale::Linear, AxisScale::Linear);
    table_ = compare_tests::BuildTable(tests_);
    showTable();
}

void frmCompareTests::showTable() {
    grdTable->clear();
    grdTable->setColumnCount(int(table_.header.size()));
    grdTable->setRowCount(int(table_.rows.size()));
    grdTable->setHorizontalHeaderLabels(table_.header);
    for (qsizetype r = 0; r < table_.rows.size(); ++r)
        for (qsizetype c = 0; c < table_.rows[r].size(); ++c)
            grdTable->setItem(int(r), int(c), new QTableWidgetItem(table_.rows[r][c]));
    grdTable->resizeColumnsToContents();
}

void frmCompareTests::exportTo(const QString& filter, const QString& suffix, bool workbook) {
    if (table_.rows.isEmpty()) {
        messenger_.info(QString::fromUtf8(kTooFew));
        return;
    }
    QString path = saveFileName(this, QString::fromUtf8(kCaption),
                                QDir::current().filePath(QStringLiteral("compared tests.") + suffix), filter);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += u'.' + suffix;
    const QString error =
        workbook
            ? reports::WriteTableWorkbook(path, QString::fromLatin1(kSheetName), table_.header, table_.rows)
            : reports::WriteWholeFile(path, reports::TableCsv(table_.header, table_.rows));
    if (!error.isEmpty())
        messenger_.info(QStringLiteral("The file could not be written:\n%1\n%2")
                            .arg(QDir::toNativeSeparators(path), error),
                        {}, MsgIcon::Exclamation);
}

void frmCompareTests::cmdCsv_Click() {
    exportTo(QStringLiteral("CSV Files (*.csv)"), QStringLiteral("csv"), false);
}

void frmCompareTests::cmdExcel_Click() {
    exportTo(QStringLiteral("Excel Workbook (*.xlsx)"), QStringLiteral("xlsx"), true);
}
