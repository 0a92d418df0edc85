// The controls of frmSetup and their arrangement; the behaviour is in frmSetup.cpp.
#include "common/ui/CellEditor.h"
#include "common/ui/FlexGrid.h"
#include "sequence/StepGrid.h"
#include "sequence/ui/frmSetup.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTabBar>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QPushButton* button(const QString& caption, const QString& toolTip, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    if (!toolTip.isEmpty()) b->setToolTip(toolTip);
    return b;
}

QLineEdit* field(const QString& toolTip, QWidget* parent, int width_chars = 8) {
    auto* f = new QLineEdit(parent);
    if (!toolTip.isEmpty()) f->setToolTip(toolTip);
    f->setMaximumWidth(f->fontMetrics().horizontalAdvance(QLatin1Char('0')) * width_chars + 16);
    return f;
}

// The width a header text needs: its widest line plus the header's margins.
int headerWidth(const QWidget* grid, const QString& text) {
    const QFontMetrics fm(grid->font());
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, fm.horizontalAdvance(line));
    return widest + 16;
}

}  // namespace

void frmSetup::buildSequenceTab() {
    frameSequence = new QFrame(this);
    QWidget* f = frameSequence;

    // Names.
    auto* lblSeqName = new QLabel(QStringLiteral("Saved test sequences:"), f);
    txtSeqName = new QLineEdit(f);
    lstSeqName = new QListWidget(f);
    lblSeqName->setBuddy(lstSeqName);
    cmdNew = button(QStringLiteral("&New"), QStringLiteral("Click here to create a new test sequence"), f);
    cmdDelete = button(QStringLiteral("&Delete"),
                       QStringLiteral("Click here to delete the selected test ssequence"), f);
    cmdSaveas =
        button(QStringLiteral("Copy &As"),
               QStringLiteral("Click here to save the selected test sequence as a different name"), f);
    cmdSaveChange = button(QStringLiteral("&Save "), QStringLiteral("Click here to save sequence steps"), f);
    cmdReturn = button(QStringLiteral("&Return"), QStringLiteral("Click here to return to main menu"), f);
    auto* names = new QVBoxLayout;
    names->addWidget(lblSeqName);
    names->addWidget(txtSeqName);
    names->addWidget(lstSeqName, 1);
    auto* nameButtons = new QGridLayout;
    nameButtons->addWidget(cmdNew, 0, 0);
    nameButtons->addWidget(cmdDelete, 0, 1);
    nameButtons->addWidget(cmdSaveas, 1, 0);
    nameButtons->addWidget(cmdSaveChange, 1, 1);
    nameButtons->addWidget(cmdReturn, 2, 0, 1, 2);
    names->addLayout(nameButtons);

    // Steps.
    auto* lblSteps = new QLabel(QStringLiteral("Sequence Steps:"), f);
    MSFlexGrid1 = new FlexGrid(StepGrid::kCols, f);
    MSFlexGrid1->setToolTip(QStringLiteral("Select the desired test step by click on it"));
    MSFlexGrid1->setCellAlignment(Qt::AlignCenter);
    MSFlexGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    {
        const QStringList headers = StepGrid::headerTexts();
        int gridWidth = 0;
        for (int c = 0; c < StepGrid::kCols; ++c) {
            const int twips = c == StepGrid::kColStepNo ? 400 : 650;
            const int width =
                std::max(FlexGrid::twipsToPixels(MSFlexGrid1, twips), headerWidth(MSFlexGrid1, headers[c]));
            MSFlexGrid1->setColumnWidth(c, width);
            gridWidth += width;
        }
        const int lineHeight = QFontMetrics(MSFlexGrid1->font()).lineSpacing();
        MSFlexGrid1->horizontalHeader()->setFixedHeight(
            std::max(FlexGrid::twipsToPixels(MSFlexGrid1, 400), 2 * lineHeight + 10));
        MSFlexGrid1->setMinimumWidth(gridWidth + MSFlexGrid1->frameWidth() * 2 + 20);
    }
    cmdInsertStep =
        button(QStringLiteral("&Insert step"),
               QStringLiteral("Click here to insert new test step in the current test sequence"), f);
    cmdDeleteStep =
        button(QStringLiteral("De&lete  step"),
               QStringLiteral("Click here to delete the test step from the current test sequence"), f);
    cmdBuilder = button(QStringLiteral("Auto Step Builder"),
                        QStringLiteral("Click here to copy & paste one section of steps"), f);

    frameRamp = new QGroupBox(QStringLiteral("Auto Ramp Builder"), f);
    txtTotalSteps = field({}, frameRamp);
    txtStepTime = field({}, frameRamp);
    txtTemp = field({}, frameRamp);
    txtTempError = field({}, frameRamp);
    txtShearrate = field({}, frameRamp);
    cmdOK = button(QStringLiteral("OK"), QStringLiteral("Click here to list steps"), frameRamp);
    cmdCancel = button(QStringLiteral("Cancel"), QStringLiteral("Click here to exit"), frameRamp);
    {
        auto* g = new QGridLayout(frameRamp);
        g->addWidget(new QLabel(QStringLiteral("Total Steps:"), frameRamp), 0, 0);
        g->addWidget(txtTotalSteps, 0, 1);
        g->addWidget(new QLabel(QStringLiteral("Step Time (min):"), frameRamp), 0, 2);
        g->addWidget(txtStepTime, 0, 3);
        g->addWidget(new QLabel(QStringLiteral("Temperature (°F):"), frameRamp), 1, 0);
        g->addWidget(txtTemp, 1, 1);
        g->addWidget(new QLabel(QStringLiteral("Temperature Error (°F):"), frameRamp), 1, 2);
        g->addWidget(txtTempError, 1, 3);
        g->addWidget(new QLabel(QStringLiteral("Shear Rate (1/s):"), frameRamp), 2, 0);
        g->addWidget(txtShearrate, 2, 1);
        auto* b = new QHBoxLayout;
        b->addStretch();
        b->addWidget(cmdOK);
        b->addWidget(cmdCancel);
        g->addLayout(b, 3, 0, 1, 4);
    }

    auto* steps = new QVBoxLayout;
    steps->addWidget(lblSteps);
    steps->addWidget(MSFlexGrid1, 1);
    auto* stepButtons = new QHBoxLayout;
    stepButtons->addWidget(cmdInsertStep);
    stepButtons->addWidget(cmdDeleteStep);
    stepButtons->addWidget(cmdBuilder);
    steps->addLayout(stepButtons);
    steps->addWidget(frameRamp);

    // Settings, shear-rate ramp, shut-down.
    auto* frameInfo = new QGroupBox(QStringLiteral("Ramp Steps Info Within Each Step"), f);
    txtTimeBefRead = field(QStringLiteral("Enter a number >=20 and <=200"), frameInfo);
    cmbSampleRate = new QComboBox(frameInfo);
    txtNoSampleAve = field(QStringLiteral("Enter a number >=1 and <=20"), frameInfo);
    txtSampleInterval = field(QStringLiteral("Enter a number >=20 and <=200"), frameInfo);
    {
        auto* g = new QGridLayout(frameInfo);
        auto* l1 = new QLabel(QStringLiteral("Wait time before reading in each ramp step (sec):"), frameInfo);
        auto* l2 = new QLabel(QStringLiteral("Data sampling rate, every"), frameInfo);
        auto* l3 = new QLabel(QStringLiteral("Number of Samples to Average for one data:"), frameInfo);
        auto* l4 = new QLabel(QStringLiteral("Data recording interval between ramps (sec):"), frameInfo);
        g->addWidget(l1, 0, 0);
        g->addWidget(txtTimeBefRead, 0, 1);
        g->addWidget(l2, 1, 0, Qt::AlignRight);
        g->addWidget(cmbSampleRate, 1, 1);
        g->addWidget(new QLabel(QStringLiteral("(sec)per sample"), frameInfo), 1, 2);
        g->addWidget(l3, 2, 0);
        g->addWidget(txtNoSampleAve, 2, 1);
        g->addWidget(l4, 3, 0);
        g->addWidget(txtSampleInterval, 3, 1);
        g->setColumnStretch(2, 1);
    }

    auto* lblRamp = new QLabel(QStringLiteral("Ramp Sequence Define (1/S):(Maximum 40 steps.)"), f);
    MSFlexGrid3 = new FlexGrid(1, f);
    MSFlexGrid3->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    {
        const int width = std::max(FlexGrid::twipsToPixels(MSFlexGrid3, 1700),
                                   headerWidth(MSFlexGrid3, ShearGrid::headerText()));
        MSFlexGrid3->setColumnWidth(0, width);
        MSFlexGrid3->horizontalHeader()->setStretchLastSection(true);
        MSFlexGrid3->horizontalHeader()->setFixedHeight(std::max(
            FlexGrid::twipsToPixels(MSFlexGrid3, 300), QFontMetrics(MSFlexGrid3->font()).lineSpacing() + 8));
        MSFlexGrid3->setFixedWidth(width + MSFlexGrid3->frameWidth() * 2 + 20);
    }

    auto* frameShutDown = new QGroupBox(QStringLiteral("Auto Shut Down"), f);
    // Four digit positions: whole numbers from 0 to 9999.
    auto* fourDigits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,4}")), this);
    txtShutDownATime = field({}, frameShutDown, 5);
    txtShutDownVisc = field({}, frameShutDown, 5);
    txtShutDownATime->setValidator(fourDigits);
    txtShutDownVisc->setValidator(fourDigits);
    {
        auto* v = new QVBoxLayout(frameShutDown);
        v->addWidget(new QLabel(QStringLiteral("Test will automatically shut down if average viscosity over"),
                                frameShutDown));
        auto* h = new QHBoxLayout;
        h->addWidget(txtShutDownATime);
        h->addWidget(new QLabel(QStringLiteral("(min)"), frameShutDown));
        h->addSpacing(12);
        h->addWidget(new QLabel(QStringLiteral("drops below"), frameShutDown));
        h->addWidget(txtShutDownVisc);
        h->addWidget(new QLabel(QStringLiteral("(cP)"), frameShutDown));
        h->addStretch();
        v->addLayout(h);
    }

    auto* rampAndShutDown = new QGridLayout;
    rampAndShutDown->addWidget(lblRamp, 0, 0, 1, 2);
    rampAndShutDown->addWidget(MSFlexGrid3, 1, 0, 2, 1);
    rampAndShutDown->addWidget(frameShutDown, 1, 1, Qt::AlignTop);
    rampAndShutDown->setRowStretch(2, 1);
    rampAndShutDown->setColumnStretch(1, 1);

    auto* settings = new QVBoxLayout;
    settings->addWidget(frameInfo);
    settings->addLayout(rampAndShutDown, 1);

    auto* columns = new QHBoxLayout(f);
    columns->addLayout(names, 0);
    columns->addLayout(steps, 1);
    columns->addLayout(settings, 1);

    // In-cell editors, laid over a cell when one is clicked.
    txtOverlap2 = new CellEditor(MSFlexGrid1, CellEditor::Selection::All);
    txtOverlap = new CellEditor(MSFlexGrid3, CellEditor::Selection::All);
    for (CellEditor* e : {txtOverlap2, txtOverlap}) {
        e->setFrame(false);
        e->setAlignment(Qt::AlignCenter);
    }
}

void frmSetup::buildHardwareTab() {
    frameHardware = new QFrame(this);
    QWidget* f = frameHardware;

    auto* framePorts = new QGroupBox(QStringLiteral("Communication Ports"), f);
    auto* ports = new QGridLayout(framePorts);
    QStringList choices{QStringLiteral("None")};
    for (int n = 1; n <= 12; ++n) choices << QStringLiteral("Comm %1").arg(SequenceText::plain(n));
    for (int i = 0; i < 8; ++i) {
        cmbUnit[i] = new QComboBox(framePorts);
        cmbUnit[i]->addItems(choices);
        cmbUnit[i]->setCurrentIndex(-1);
        auto* label = new QLabel(QStringLiteral("Unit %1:").arg(SequenceText::plain(i + 1)), framePorts);
        label->setBuddy(cmbUnit[i]);
        ports->addWidget(label, i % 4, (i / 4) * 2);
        ports->addWidget(cmbUnit[i], i % 4, (i / 4) * 2 + 1);
    }
    ports->setColumnStretch(4, 1);
    ports->setColumnMinimumWidth(2, 60);

    auto* frameUnits = new QGroupBox(QStringLiteral("Unit Selection"), f);
    optCGS = new QRadioButton(QStringLiteral("CGS"), frameUnits);
    OptEI = new QRadioButton(QStringLiteral("EI"), frameUnits);
    OptEI->setToolTip(QStringLiteral("Click here to select English Units"));
    OptSI = new QRadioButton(QStringLiteral("SI"), frameUnits);
    OptSI->setToolTip(QStringLiteral("Click here to select Metric Units"));
    unitGroup_ = new QButtonGroup(this);
    unitGroup_->addButton(optCGS, 1);
    unitGroup_->addButton(OptEI, 2);
    unitGroup_->addButton(OptSI, 3);
    {
        auto* v = new QVBoxLayout(frameUnits);
        v->addWidget(optCGS);
        v->addWidget(OptEI);
        v->addWidget(OptSI);
        v->addStretch();
    }

    auto* frameChart = new QGroupBox(QStringLiteral("Charting Type"), f);
    radBfc = new QRadioButton(QStringLiteral("Best Fit Power"), frameChart);
    radBfl = new QRadioButton(QStringLiteral("Best Fit Linear"), frameChart);
    radSpline = new QRadioButton(QStringLiteral("Spline"), frameChart);
    radLinear = new QRadioButton(QStringLiteral("Linear"), frameChart);
    radBfc->setChecked(true);
    {
        auto* v = new QVBoxLayout(frameChart);
        v->addWidget(radBfc);
        v->addWidget(radBfl);
        v->addWidget(radSpline);
        v->addWidget(radLinear);
        v->addStretch();
    }

    cmdSave = button(QStringLiteral("&Save"), {}, f);
    cmdReturn2 = button(QStringLiteral("&Return"), {}, f);

    auto* options = new QHBoxLayout;
    options->addWidget(frameUnits);
    options->addWidget(frameChart);
    options->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdReturn2);

    auto* v = new QVBoxLayout(f);
    v->addWidget(framePorts);
    v->addLayout(options);
    v->addStretch();
    v->addLayout(buttons);
}
