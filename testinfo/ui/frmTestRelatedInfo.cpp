#include "testinfo/ui/frmTestRelatedInfo.h"

#include "common/ui/FlexGrid.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

const QString frmTestRelatedInfo::kCaption = QStringLiteral("Input Test Information");

namespace {
constexpr int kPickListWidth_twips = 4000;
constexpr int kExistingListRows = 6;  // rows shown without scrolling

QTableWidgetItem* cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}
}  // namespace

frmTestRelatedInfo::frmTestRelatedInfo(clsConnection& connection, Messenger& messenger, QWidget* parent)
    : TestInfoDialogBase(bobs::lookup, QStringLiteral("&OK"), QStringLiteral("&Cancel"), parent),
      messenger_(messenger) {
    entry_ = std::make_unique<TestInfoEntry>(connection, messenger, *MSFlexGrid1);

    txtCopyFrom = new QLineEdit(this);
    txtCopyFrom->setObjectName(QStringLiteral("txtCopyFrom"));
    auto* lblCopy = new QLabel(QStringLiteral("Fast Fill by copying from test name:"), this);
    lblCopy->setBuddy(txtCopyFrom);
    cmdPick = new QPushButton(QStringLiteral("Pick Name..."), this);
    cmdPick->setObjectName(QStringLiteral("cmdPick"));
    cmdCopy = new QPushButton(QStringLiteral("&Get && Copy"), this);
    cmdCopy->setObjectName(QStringLiteral("cmdCopy"));
    for (QPushButton* b : {cmdPick, cmdCopy}) b->setAutoDefault(false);
    auto* copyRow = new QHBoxLayout;
    copyRow->addWidget(lblCopy);
    copyRow->addWidget(txtCopyFrom, 1);
    copyRow->addWidget(cmdPick);
    copyRow->addWidget(cmdCopy);

    MSFlexGrid2 = new QTableWidget(0, 3, this);
    MSFlexGrid2->setObjectName(QStringLiteral("MSFlexGrid2"));
    MSFlexGrid2->setHorizontalHeaderLabels(
        {QStringLiteral("Test Name"), QStringLiteral("Test Time"), QStringLiteral("Researcher's Name")});
    MSFlexGrid2->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    MSFlexGrid2->horizontalHeader()->setStretchLastSection(true);
    MSFlexGrid2->verticalHeader()->hide();
    MSFlexGrid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFlexGrid2->setSelectionBehavior(QAbstractItemView::SelectRows);
    MSFlexGrid2->setSelectionMode(QAbstractItemView::SingleSelection);
    MSFlexGrid2->setFocusPolicy(Qt::NoFocus);
    MSFlexGrid2->setFixedHeight(MSFlexGrid2->horizontalHeader()->sizeHint().height() +
                                MSFlexGrid2->verticalHeader()->defaultSectionSize() * kExistingListRows +
                                MSFlexGrid2->frameWidth() * 2);

    extraArea()->addLayout(copyRow);
    extraArea()->addWidget(MSFlexGrid2);

    // The pick list floats over the dialog under the copy box while it is shown.
    Grid_TestName = new QTableWidget(0, 1, this);
    Grid_TestName->setObjectName(QStringLiteral("Grid_TestName"));
    Grid_TestName->horizontalHeader()->hide();
    Grid_TestName->verticalHeader()->hide();
    Grid_TestName->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid_TestName->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid_TestName->setColumnWidth(0, FlexGrid::twipsToPixels(this, kPickListWidth_twips));
    Grid_TestName->horizontalHeader()->setStretchLastSection(true);

    Grid_TestName->installEventFilter(this);

    connect(cmdCopy, &QPushButton::clicked, this, &frmTestRelatedInfo::cmdCopy_Click);
    connect(cmdPick, &QPushButton::clicked, this, &frmTestRelatedInfo::cmdPick_Click);
    connect(Grid_TestName, &QTableWidget::cellClicked, this,
            [this](int row, int) { Grid_TestName_Click(row); });

    Form_Load();
}

frmTestRelatedInfo::~frmTestRelatedInfo() {
    Grid_TestName->removeEventFilter(this);
}

void frmTestRelatedInfo::Form_Load() {
    showTexts(TestInfoTexts::initial());
    FillList();
    Grid_TestName->hide();
}

void frmTestRelatedInfo::FillList() {
    listLoaded_ = entry_->fillList();
    const auto& tests = entry_->existingTests();
    MSFlexGrid2->setRowCount(static_cast<int>(tests.size()));
    for (int r = 0; r < tests.size(); ++r) {
        MSFlexGrid2->setItem(r, 0, cell(tests[r].name));
        MSFlexGrid2->setItem(r, 1, cell(tests[r].time));
        MSFlexGrid2->setItem(r, 2, cell(tests[r].researcher));
    }
    MSFlexGrid2->resizeColumnsToContents();
    if (!tests.isEmpty()) MSFlexGrid2->setCurrentCell(0, 0);
}

void frmTestRelatedInfo::cmdCopy_Click() {
    TestInfoTexts t = texts();
    entry_->copyFrom(txtCopyFrom->text(), t);
    showTexts(t);
}

void frmTestRelatedInfo::cmdPick_Click() {
    const QStringList names = entry_->pickNames();
    Grid_TestName->setRowCount(static_cast<int>(names.size()));
    for (int r = 0; r < names.size(); ++r) Grid_TestName->setItem(r, 0, cell(names[r]));
    const QPoint below = txtCopyFrom->mapTo(this, QPoint(0, txtCopyFrom->height()));
    const int width =
        FlexGrid::twipsToPixels(this, kPickListWidth_twips) + Grid_TestName->frameWidth() * 2 + 20;
    const int listHeight = std::max(std::min(height() - below.y() - 4, 240), 80);
    Grid_TestName->setGeometry(std::min(below.x(), this->width() - width), below.y(), width, listHeight);
    Grid_TestName->show();
    Grid_TestName->raise();
    Grid_TestName->setFocus();
}

void frmTestRelatedInfo::Grid_TestName_Click(int row) {
    const QTableWidgetItem* item = Grid_TestName->item(row, 0);
    if (!item) return;
    txtCopyFrom->setText(item->text());
    Grid_TestName->hide();
    cmdCopy_Click();
}

bool frmTestRelatedInfo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Grid_TestName) {
        // The list closes when the operator turns elsewhere; Escape closes the list, not the dialog.
        if (event->type() == QEvent::FocusOut &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason)
            Grid_TestName->hide();
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Escape) {
                Grid_TestName->hide();
                txtCopyFrom->setFocus();
                return true;
            }
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) && Grid_TestName->currentRow() >= 0) {
                Grid_TestName_Click(Grid_TestName->currentRow());
                return true;
            }
        }
    }
    return TestInfoDialogBase::eventFilter(watched, event);
}

bool frmTestRelatedInfo::okAllowed() {
    return entry_->accept(texts());
}

TestInfoInput frmTestRelatedInfo::result() {
    return entry_->input(texts());
}

std::optional<TestInfoInput> askTestInfo(QWidget* parent, clsConnection& connection, Messenger& messenger,
                                         const std::optional<QString>& presetBob) {
    frmTestRelatedInfo dialog(connection, messenger, parent);
    if (!dialog.listLoaded()) return std::nullopt;
    dialog.setWindowTitle(frmTestRelatedInfo::kCaption);
    if (presetBob) dialog.txtBobNo->setText(*presetBob);
    dialog.exec();
    if (dialog.mlCanceled) return std::nullopt;
    return dialog.result();
}

TestInfoAsker testInfoDialog(QWidget* parent, clsConnection& connection, Messenger& messenger) {
    QPointer<QWidget> owner(parent);
    return [owner, &connection, &messenger](const std::optional<QString>& presetBob) {
        return askTestInfo(owner, connection, messenger, presetBob);
    };
}
