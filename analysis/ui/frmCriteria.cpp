#include "analysis/ui/frmCriteria.h"

#include "common/Messenger.h"
#include "store/StoreError.h"
#include "store/clsSEQUENCE_INFO.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QStringList headerOf(UnitSystem unitSystem) {
    return {"Shear Rate (1/S)",
            "Limit",
            "Viscosity (cP)",
            "Duration (Min)",
            unitSystem == UnitSystem::SI ? "From Sample Temp (°C)" : "From Sample Temp (°F)",
            "Viscosity Judged"};
}
const QStringList kKinds{"at least", "at most"};
const QStringList kSources{"apparent (ordinary readings)", "fitted (each ramp)"};

QString text(const QTableWidget* grid, int row, int column) {
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
}

QComboBox* comboAt(const QTableWidget* grid, int row, int column) {
    return qobject_cast<QComboBox*>(grid->cellWidget(row, column));
}

QStringList sequenceNames(clsConnection& connection) {
    clsSEQUENCE_INFO sequences;
    sequences.ConnectX(connection);
    const RecordTable names = sequences.JustName();
    QStringList list;
    for (int row = 0; row < names.rowCount(); ++row) list << names.value(0, row).toString();
    return list;
}

}  // namespace

frmCriteria::frmCriteria(OpenTestSession& session, clsConnection& connection, Messenger& messenger,
                         UnitSystem unitSystem, QWidget* parent)
    : QDialog(parent),
      session_(session),
      connection_(connection),
      messenger_(messenger),
      unitSystem_(unitSystem) {
    setObjectName(QStringLiteral("frmCriteria"));
    setWindowTitle(QString::fromUtf8(kCaption) + QStringLiteral(" - ") + session.name());
    grdCriteria = new QTableWidget(0, ColumnCount, this);
    grdCriteria->setObjectName(QStringLiteral("grdCriteria"));
    grdCriteria->setHorizontalHeaderLabels(headerOf(unitSystem));
    grdCriteria->verticalHeader()->hide();
    grdCriteria->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    grdCriteria->horizontalHeader()->setStretchLastSection(true);
    cmbSequence = new QComboBox(this);
    cmbSequence->setObjectName(QStringLiteral("cmbSequence"));
    try {
        cmbSequence->addItems(sequenceNames(connection));
    } catch (const StoreError& error) {
        messenger.info(QStringLiteral("The sequences could not be read.\n") + error.report(), {},
                       MsgIcon::Critical);
    }
    const auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    cmdAdd = button("cmdAdd", QStringLiteral("&Add"));
    cmdRemove = button("cmdRemove", QStringLiteral("&Remove"));
    cmdFromSequence = button("cmdFromSequence", QStringLiteral("&Take from Sequence"));
    cmdToSequence = button("cmdToSequence", QStringLiteral("Save &with Sequence"));
    cmdSave = button("cmdSave", QStringLiteral("&Save"));
    cmdCancel = button("cmdCancel", QStringLiteral("&Cancel"));

    auto* rows = new QHBoxLayout;
    rows->addWidget(cmdAdd);
    rows->addWidget(cmdRemove);
    rows->addStretch(1);
    rows->addWidget(new QLabel(QStringLiteral("Sequence:"), this));
    rows->addWidget(cmbSequence, 1);
    rows->addWidget(cmdFromSequence);
    rows->addWidget(cmdToSequence);
    auto* end = new QHBoxLayout;
    end->addStretch(1);
    end->addWidget(cmdSave);
    end->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grdCriteria, 1);
    layout->addLayout(rows);
    layout->addLayout(end);
    resize(860, 320);

    connect(cmdAdd, &QPushButton::clicked, this, &frmCriteria::cmdAdd_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &frmCriteria::cmdRemove_Click);
    connect(cmdFromSequence, &QPushButton::clicked, this, &frmCriteria::cmdFromSequence_Click);
    connect(cmdToSequence, &QPushButton::clicked, this, &frmCriteria::cmdToSequence_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmCriteria::cmdSave_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    QList<criteria_form::Row> stored;
    for (const store::criteria::Criterion& c : session.test().criteria)
        stored << criteria_form::rowOf(c, unitSystem_);
    SetRows(stored);
}

void frmCriteria::addRow(const criteria_form::Row& row) {
    const int r = grdCriteria->rowCount();
    grdCriteria->insertRow(r);
    grdCriteria->setItem(r, Rate, new QTableWidgetItem(row.shearRate));
    grdCriteria->setItem(r, Limit, new QTableWidgetItem(row.limit));
    grdCriteria->setItem(r, Minutes, new QTableWidgetItem(row.minutes));
    grdCriteria->setItem(r, MinTemp, new QTableWidgetItem(row.minTemp));
    auto* kind = new QComboBox(grdCriteria);
    kind->addItems(kKinds);
    kind->setCurrentIndex(row.maximum ? 1 : 0);
    grdCriteria->setCellWidget(r, Kind, kind);
    auto* source = new QComboBox(grdCriteria);
    source->addItems(kSources);
    source->setCurrentIndex(row.fitted ? 1 : 0);
    grdCriteria->setCellWidget(r, Source, source);
}

QList<criteria_form::Row> frmCriteria::Rows() const {
    QList<criteria_form::Row> rows;
    for (int r = 0; r < grdCriteria->rowCount(); ++r) {
        const QComboBox* kind = comboAt(grdCriteria, r, Kind);
        const QComboBox* source = comboAt(grdCriteria, r, Source);
        rows.append({text(grdCriteria, r, Rate), kind && kind->currentIndex() == 1,
                     text(grdCriteria, r, Limit), text(grdCriteria, r, Minutes),
                     text(grdCriteria, r, MinTemp), source && source->currentIndex() == 1});
    }
    return rows;
}

void frmCriteria::SetRows(const QList<criteria_form::Row>& rows) {
    grdCriteria->setRowCount(0);
    for (const criteria_form::Row& row : rows) addRow(row);
}

void frmCriteria::cmdAdd_Click() {
    // The usual specification: at least some viscosity at 100 1/s.
    addRow({QStringLiteral("100"), false, {}, {}, {}, false});
    grdCriteria->setCurrentCell(grdCriteria->rowCount() - 1, Limit);
    grdCriteria->editItem(grdCriteria->item(grdCriteria->rowCount() - 1, Limit));
}

void frmCriteria::cmdRemove_Click() {
    const int row = grdCriteria->currentRow();
    if (row >= 0) grdCriteria->removeRow(row);
}

std::optional<std::vector<store::criteria::Criterion>> frmCriteria::criteria() {
    const auto made = criteria_form::criteriaOf(Rows(), unitSystem_);
    if (const QString* problem = std::get_if<QString>(&made)) {
        messenger_.info(*problem, QString::fromUtf8(kCaption), MsgIcon::Exclamation);
        return std::nullopt;
    }
    return std::get<std::vector<store::criteria::Criterion>>(made);
}

void frmCriteria::cmdFromSequence_Click() {
    const QString name = cmbSequence->currentText();
    if (name.isEmpty()) return;
    try {
        const auto saved = store::criteria::ofSequence(connection_, name);
        if (!saved || saved->empty()) {
            messenger_.info(QStringLiteral("No criteria are saved with the sequence \"%1\".").arg(name));
            return;
        }
        QList<criteria_form::Row> rows;
        for (const store::criteria::Criterion& c : *saved) rows << criteria_form::rowOf(c, unitSystem_);
        SetRows(rows);
    } catch (const StoreError& error) {
        messenger_.info(QStringLiteral("The criteria could not be read.\n") + error.report(), {},
                        MsgIcon::Critical);
    }
}

void frmCriteria::cmdToSequence_Click() {
    const QString name = cmbSequence->currentText();
    if (name.isEmpty()) return;
    const auto list = criteria();
    if (!list) return;
    try {
        const QString refusal = store::criteria::setForSequence(connection_, name, *list);
        messenger_.info(refusal.isEmpty()
                            ? QStringLiteral("The criteria are saved with the sequence \"%1\".").arg(name)
                            : refusal);
    } catch (const StoreError& error) {
        messenger_.info(QStringLiteral("The criteria could not be saved.\n") + error.report(), {},
                        MsgIcon::Critical);
    }
}

void frmCriteria::cmdSave_Click() {
    const auto list = criteria();
    if (!list) return;
    const OpenTestSession::Change change = session_.setCriteria(*list);
    // No note: refused or failed, with its message shown; the operator's rows stay for a correction.
    if (change.note.isEmpty()) return;
    emit changed(change);
    accept();
}
