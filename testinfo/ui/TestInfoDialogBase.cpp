#include "testinfo/ui/TestInfoDialogBase.h"

#include "common/ui/CellEditor.h"
#include "common/ui/FlexGrid.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

const QString TestInfoDialogBase::kDesignCaption = QStringLiteral("R7716 Test Related Information");

TestInfoDialogBase::TestInfoDialogBase(TestInfoTexts::BobLookup lookup, const QString& okCaption,
                                       const QString& cancelCaption, QWidget* parent)
    : QDialog(parent), lookup_(lookup) {
    setWindowTitle(kDesignCaption);

    auto* fields = new QGridLayout;
    txtTestName = box(QStringLiteral("txtTestName"), QStringLiteral("Test Name:"), 0, fields);
    txtTestDate = box(QStringLiteral("txtTestDate"), QStringLiteral("Test Date:"), 1, fields);
    txtFluidId = box(QStringLiteral("txtFluidId"), QStringLiteral("Fluid ID:"), 2, fields);
    txtResearchName = box(QStringLiteral("txtResearchName"), QStringLiteral("Researcher's Name:"), 3, fields);
    txtRotoNo = box(QStringLiteral("txtRotoNo"), QStringLiteral("Rotor Number:"), 4, fields);
    txtBobNo = box(QStringLiteral("txtBobNo"), QStringLiteral("Bob Number:"), 5, fields);
    txtBobRadius = box(QStringLiteral("txtBobRadius"), QStringLiteral("Bob Radius (cm):"), 6, fields);
    txtBobLength =
        box(QStringLiteral("txtBobLength"), QStringLiteral("Bob Effective Length (cm):"), 7, fields);
    txtPreTestPH = box(QStringLiteral("txtPreTestPH"), QStringLiteral("Pre-Test pH:"), 8, fields);
    txtPostTestPH = box(QStringLiteral("txtPostTestPH"), QStringLiteral("Post-Test pH:"), 9, fields);
    fields->setRowStretch(10, 1);
    // The date is the day the boxes were filled; the test's time is set when it is stored.
    txtTestDate->setReadOnly(true);
    txtTestDate->setFocusPolicy(Qt::NoFocus);

    MSFlexGrid1 = new FlexGrid(additive_grid::kCols, this);
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    additive_grid::setUp(*MSFlexGrid1);
    int gridWidth = MSFlexGrid1->frameWidth() * 2 + MSFlexGrid1->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < additive_grid::kCols; ++c) {
        const int textWidth =
            MSFlexGrid1->fontMetrics().horizontalAdvance(MSFlexGrid1->TextMatrix(0, c)) + 16;
        MSFlexGrid1->setColumnWidth(
            c, std::max(FlexGrid::twipsToPixels(this, additive_grid::kColumnWidth_twips), textWidth));
        gridWidth += MSFlexGrid1->columnWidth(c);
    }
    MSFlexGrid1->horizontalHeader()->setMinimumHeight(
        FlexGrid::twipsToPixels(this, additive_grid::kHeaderHeight_twips));
    MSFlexGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    MSFlexGrid1->setMinimumWidth(gridWidth);
    MSFlexGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    // From the second character: a concentration begins with its sign blank.
    txtOverlap = new CellEditor(MSFlexGrid1, CellEditor::Selection::FromSecondCharacter);
    txtOverlap->setObjectName(QStringLiteral("txtOverlap"));

    auto* additives = new QVBoxLayout;
    auto* lblAdditives = new QLabel(QStringLiteral("Additives:"), this);
    lblAdditives->setBuddy(MSFlexGrid1);
    additives->addWidget(lblAdditives);
    additives->addWidget(MSFlexGrid1, 1);

    auto* top = new QHBoxLayout;
    top->addLayout(fields);
    top->addSpacing(16);
    top->addLayout(additives, 1);

    txtSAFETY = new QLineEdit(this);
    txtSAFETY->setObjectName(QStringLiteral("txtSAFETY"));
    auto* lblSafety = new QLabel(QStringLiteral("Description, Notes and Comments:"), this);
    lblSafety->setBuddy(txtSAFETY);

    extra_ = new QVBoxLayout;

    cmdok = new QPushButton(okCaption, this);
    cmdok->setObjectName(QStringLiteral("cmdok"));
    cmdCancel = new QPushButton(cancelCaption, this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    // Enter in a box or a cell edit must not close the window.
    for (QPushButton* b : {cmdok, cmdCancel}) b->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdok);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(lblSafety);
    layout->addWidget(txtSAFETY);
    layout->addLayout(extra_);
    layout->addLayout(buttons);

    connect(txtBobNo, &QLineEdit::textChanged, this, &TestInfoDialogBase::txtBobNo_Change);
    connect(cmdok, &QPushButton::clicked, this, &TestInfoDialogBase::cmdok_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &TestInfoDialogBase::cmdCancel_Click);
    connect(MSFlexGrid1, &QTableWidget::cellClicked, this,
            [this](int row, int col) { MSFlexGrid1_Click(row + 1, col); });
    connect(txtOverlap, &QLineEdit::returnPressed, this, &TestInfoDialogBase::commitCellEdit);
}

namespace {
constexpr int kBoxWidth_em = 20;
}  // namespace

QLineEdit* TestInfoDialogBase::box(const QString& name, const QString& label, int row, QGridLayout* layout) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    // Wide enough for a usual test name or fluid ID ("Demo 30# Borate XL 250F") to show whole.
    edit->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * kBoxWidth_em);
    auto* caption = new QLabel(label, this);
    caption->setBuddy(edit);
    layout->addWidget(caption, row, 0, Qt::AlignRight);
    layout->addWidget(edit, row, 1);
    return edit;
}

TestInfoTexts TestInfoDialogBase::texts() {
    commitCellEdit();
    TestInfoTexts t;
    t.testName = txtTestName->text();
    t.testDate = txtTestDate->text();
    t.fluidId = txtFluidId->text();
    t.researchName = txtResearchName->text();
    t.rotoNo = txtRotoNo->text();
    t.bobNo = txtBobNo->text();
    t.bobRadius = txtBobRadius->text();
    t.bobLength = txtBobLength->text();
    t.preTestPh = txtPreTestPH->text();
    t.postTestPh = txtPostTestPH->text();
    t.safety = txtSAFETY->text();
    return t;
}

void TestInfoDialogBase::showTexts(const TestInfoTexts& t) {
    txtTestName->setText(t.testName);
    txtTestDate->setText(t.testDate);
    txtFluidId->setText(t.fluidId);
    txtBobNo->setText(t.bobNo);
    txtRotoNo->setText(t.rotoNo);
    txtBobRadius->setText(t.bobRadius);
    txtBobLength->setText(t.bobLength);
    txtPreTestPH->setText(t.preTestPh);
    txtPostTestPH->setText(t.postTestPh);
    txtResearchName->setText(t.researchName);
    txtSAFETY->setText(t.safety);
    for (QLineEdit* e : findChildren<QLineEdit*>()) e->setCursorPosition(0);
}

void TestInfoDialogBase::txtBobNo_Change() {
    TestInfoTexts t;
    t.bobRadius = txtBobRadius->text();
    t.bobLength = txtBobLength->text();
    t.setBobNo(txtBobNo->text(), lookup_);
    txtBobRadius->setText(t.bobRadius);
    txtBobLength->setText(t.bobLength);
}

void TestInfoDialogBase::cmdok_Click() {
    commitCellEdit();
    if (!okAllowed()) return;
    mlCanceled = false;
    accept();
}

void TestInfoDialogBase::cmdCancel_Click() {
    reject();
}

void TestInfoDialogBase::reject() {
    commitCellEdit();
    mlCanceled = true;
    QDialog::reject();
}

// ---- in-cell editing of the additives grid ------------------------------------------------------------

void TestInfoDialogBase::MSFlexGrid1_Click(int row, int col) {
    txtOverlap->open(row, col);
}

void TestInfoDialogBase::txtOverlap_LostFocus() {
    commitCellEdit();
}

void TestInfoDialogBase::commitCellEdit() {
    txtOverlap->commit();
}
