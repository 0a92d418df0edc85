#include "analysis/ui/frmOverlapTest.h"

#include "analysis/ui/StoredTestList.h"
#include "common/Messenger.h"
#include "store/clsTEST_INFO.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Widest the list makes the dialog for long names.
constexpr int kMaxListWidth_px = 900;

}  // namespace

frmOverlapTest::frmOverlapTest(clsConnection& connection, Messenger& messenger, QWidget* parent)
    : QDialog(parent),
      connection_(connection),
      messenger_(messenger),
      info_(std::make_unique<clsTEST_INFO>()) {
    setObjectName(QStringLiteral("frmOverlapTest"));
    setWindowTitle(QString::fromUtf8(kCaption));
    setModal(true);

    MSFlexGrid1 = new QTableWidget(0, 3, this);
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFlexGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    MSFlexGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    MSFlexGrid1->verticalHeader()->hide();
    MSFlexGrid1->setWordWrap(false);
    Label2 = new QLabel(QString::fromUtf8(kLabel2), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    txtSeqName = new QLineEdit(this);
    txtSeqName->setObjectName(QStringLiteral("txtSeqName"));
    Label2->setBuddy(txtSeqName);
    cmdOk = new QPushButton(QStringLiteral("&OK"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    const int columnWidth = stored_test_list::TwipsToPixelsX(this, kColumnWidth_twips);
    stored_test_list::BuildHeader(MSFlexGrid1, HeaderCells(), columnWidth,
                                  stored_test_list::TwipsToPixelsY(this, kHeaderHeight_twips));
    MSFlexGrid1->setMinimumWidth(stored_test_list::WidthForColumns(MSFlexGrid1));
    MSFlexGrid1->setMinimumHeight(240);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MSFlexGrid1, 1);
    layout->addWidget(Label2);
    layout->addWidget(txtSeqName);
    layout->addLayout(buttons);

    connect(cmdOk, &QPushButton::clicked, this, &frmOverlapTest::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOverlapTest::cmdCancel_Click);
    connect(MSFlexGrid1, &QTableWidget::cellClicked, this, &frmOverlapTest::MSFlexGrid1_Click);
    connect(MSFlexGrid1, &QTableWidget::cellDoubleClicked, this, &frmOverlapTest::MSFlexGrid1_DblClick);
}

frmOverlapTest::~frmOverlapTest() = default;

QStringList frmOverlapTest::HeaderCells() {
    return {QStringLiteral("Sequence\rName"), QStringLiteral("Test\rTime"),
            QStringLiteral("Researcher\rName")};
}

QStringList frmOverlapTest::ListedNames() const {
    return stored_test_list::Names(MSFlexGrid1);
}

void frmOverlapTest::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) Form_Load();
}

void frmOverlapTest::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void frmOverlapTest::Form_Load() {
    if (loaded_) return;
    try {
        info_->ConnectX(connection_);
        stored_test_list::Fill(MSFlexGrid1, info_->UsedName(),
                               stored_test_list::TwipsToPixelsX(this, kColumnWidth_twips));
        loaded_ = true;
    } catch (const std::exception& error) {
        // Not built: the next showing tries again.
        messenger_.info(stored_test_list::FailureText(
                            QStringLiteral("The list of saved tests could not be read."), error),
                        QString(), MsgIcon::Critical);
        return;
    }
    MSFlexGrid1->setMinimumWidth(std::min(stored_test_list::WidthForColumns(MSFlexGrid1), kMaxListWidth_px));
    if (isVisible()) resize(std::max(width(), sizeHint().width()), height());
}

void frmOverlapTest::cmdOk_Click() {
    emit overSelected();
}

void frmOverlapTest::cmdCancel_Click() {
    hide();
}

void frmOverlapTest::MSFlexGrid1_Click(int row, int /*column*/) {
    if (const QTableWidgetItem* item = MSFlexGrid1->item(row, 0)) txtSeqName->setText(item->text());
}

void frmOverlapTest::MSFlexGrid1_DblClick(int row, int column) {
    MSFlexGrid1_Click(row, column);
    // Hidden first, then the choice is raised.
    hide();
    emit overSelected();
}
