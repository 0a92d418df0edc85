#include "analysis/ui/frmReadings.h"

#include "common/Messenger.h"
#include "common/VbFormat.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

// The rows are made when shown, so that a test of 100,000 readings opens the window at once.
class ReadingsModel : public QAbstractTableModel {
  public:
    explicit ReadingsModel(QObject* parent) : QAbstractTableModel(parent) {}

    void setTable(std::unique_ptr<ReadingsTable> table) {
        beginResetModel();
        table_ = std::move(table);
        endResetModel();
    }
    const ReadingsTable* table() const { return table_.get(); }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() || !table_ ? 0 : static_cast<int>(table_->rowCount());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : ReadingsTable::Count;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!table_ || !index.isValid()) return {};
        const auto row = static_cast<std::size_t>(index.row());
        if (role == Qt::DisplayRole) return table_->cell(row, index.column());
        if (role == Qt::ForegroundRole && table_->excluded(row)) return QColor(200, 0, 0);
        if (role == Qt::TextAlignmentRole && index.column() < ReadingsTable::Type)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return ReadingsTable::header().value(section);
        return {};
    }

  private:
    std::unique_ptr<ReadingsTable> table_;
};

frmReadings::frmReadings(OpenTestSession& session, Messenger& messenger, QWidget* parent)
    : QDialog(parent), session_(session), messenger_(messenger), model_(new ReadingsModel(this)) {
    setObjectName(QStringLiteral("frmReadings"));
    setWindowTitle(QString::fromUtf8(kCaption));
    grdReadings = new QTableView(this);
    grdReadings->setObjectName(QStringLiteral("grdReadings"));
    grdReadings->setModel(model_);
    grdReadings->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdReadings->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grdReadings->verticalHeader()->hide();
    grdReadings->verticalHeader()->setDefaultSectionSize(grdReadings->fontMetrics().lineSpacing() + 6);
    grdReadings->horizontalHeader()->setStretchLastSection(true);
    chkRampOnly = new QCheckBox(QStringLiteral("Shear-rate ramp readings only"), this);
    chkRampOnly->setObjectName(QStringLiteral("chkRampOnly"));
    chkRampOnly->setChecked(true);
    cmdExclude = new QPushButton(QStringLiteral("&Exclude..."), this);
    cmdExclude->setObjectName(QStringLiteral("cmdExclude"));
    cmdExclude->setToolTip(QStringLiteral("Leave the selected readings out of the fits, with a reason"));
    cmdInclude = new QPushButton(QStringLiteral("&Include"), this);
    cmdInclude->setObjectName(QStringLiteral("cmdInclude"));
    cmdInclude->setToolTip(QStringLiteral("Take the selected readings back into the fits"));
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    lblCount = new QLabel(this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(chkRampOnly);
    buttons->addWidget(lblCount, 1);
    buttons->addWidget(cmdExclude);
    buttons->addWidget(cmdInclude);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grdReadings, 1);
    layout->addLayout(buttons);
    resize(900, 560);

    connect(cmdExclude, &QPushButton::clicked, this, &frmReadings::cmdExclude_Click);
    connect(cmdInclude, &QPushButton::clicked, this, &frmReadings::cmdInclude_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(chkRampOnly, &QCheckBox::toggled, this, &frmReadings::Refresh);
    Refresh();
}

frmReadings::~frmReadings() = default;

void frmReadings::Refresh() {
    const QList<double> selected = SelectedKeys();
    model_->setTable(std::make_unique<ReadingsTable>(session_.test(), chkRampOnly->isChecked()));
    grdReadings->resizeColumnsToContents();
    const auto excluded = std::count(session_.test().excluded.begin(), session_.test().excluded.end(), 1);
    lblCount->setText(QStringLiteral("%1 readings, %2 excluded from the fits")
                          .arg(vb::Format(double(session_.readings().size()), QStringLiteral("0")),
                               vb::Format(double(excluded), QStringLiteral("0"))));
    SelectKeys(selected);
}

QList<double> frmReadings::SelectedKeys() const {
    QList<double> keys;
    const ReadingsTable* table = model_->table();
    if (!table) return keys;
    for (const QModelIndex& index : grdReadings->selectionModel()->selectedRows())
        keys.append(table->key(static_cast<std::size_t>(index.row())));
    std::sort(keys.begin(), keys.end());
    return keys;
}

void frmReadings::SelectKeys(const QList<double>& keys) {
    const ReadingsTable* table = model_->table();
    QItemSelection selection;
    for (std::size_t row = 0; table && row < table->rowCount(); ++row)
        if (keys.contains(table->key(row)))
            selection.select(model_->index(int(row), 0), model_->index(int(row), ReadingsTable::Count - 1));
    grdReadings->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void frmReadings::cmdExclude_Click() {
    const QList<double> keys = SelectedKeys();
    if (keys.isEmpty()) {
        messenger_.info(QString::fromUtf8(kNothingSelected));
        return;
    }
    const std::optional<QString> reason = messenger_.inputBox(
        QString::fromUtf8(kReasonPrompt).arg(vb::Format(double(keys.size()), QStringLiteral("0"))),
        QString::fromUtf8(kReasonTitle));
    if (!reason) return;
    const OpenTestSession::Change change = session_.excludeReadings(keys, *reason);
    if (change.redraw == OpenTestSession::Redraw::Nothing) return;
    Refresh();
    emit changed(change);
}

void frmReadings::cmdInclude_Click() {
    const QList<double> keys = SelectedKeys();
    if (keys.isEmpty()) {
        messenger_.info(QString::fromUtf8(kNothingSelected));
        return;
    }
    const OpenTestSession::Change change = session_.includeReadings(keys);
    if (change.redraw == OpenTestSession::Redraw::Nothing) return;
    Refresh();
    emit changed(change);
}
