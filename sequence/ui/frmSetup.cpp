#include "sequence/ui/frmSetup.h"

#include "common/Messenger.h"
#include "common/Settings.h"
#include "common/ui/CellEditor.h"
#include "common/ui/FlexGrid.h"
#include "sequence/SequenceRules.h"
#include "sequence/SequenceStore.h"
#include "sequence/StepGrid.h"
#include "sequence/ui/frmInsertStep.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabBar>
#include <QVBoxLayout>

const QString frmSetup::kCaption = QStringLiteral("R7716 Setup");

namespace {
const QStringList kSampleRates{QStringLiteral("2"), QStringLiteral("5"), QStringLiteral("30"),
                               QStringLiteral("60")};
// The mask the in-cell editors keep while hidden.
const QString kOverlapMask = QStringLiteral("####");
}  // namespace

frmSetup::frmSetup(clsConnection& connection, Messenger& messenger, Settings& settings, QWidget* parent)
    : QWidget(parent, Qt::Window), connection_(connection), messenger_(messenger), settings_(settings) {
    setWindowTitle(kCaption);
    store_ = std::make_unique<SequenceStore>(connection_);

    TabStrip1 = new QTabBar(this);
    TabStrip1->addTab(QStringLiteral("Test Sequence Setup"));
    TabStrip1->addTab(QStringLiteral("Hardware && Misc Setup"));
    TabStrip1->setExpanding(false);
    buildSequenceTab();
    buildHardwareTab();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TabStrip1);
    layout->addWidget(frameSequence, 1);
    layout->addWidget(frameHardware, 1);

    editor_ = std::make_unique<SequenceEditor>(*MSFlexGrid1, *MSFlexGrid3, *store_, messenger_, settings_);
    setInsertStepDialog({});

    connect(TabStrip1, &QTabBar::currentChanged, this, &frmSetup::TabStrip1_Click);
    connect(lstSeqName, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) lstSeqName_Click();
    });
    connect(txtSeqName, &QLineEdit::textChanged, this, &frmSetup::txtSeqName_Change);
    connect(cmdNew, &QPushButton::clicked, this, &frmSetup::cmdNew_Click);
    connect(cmdSaveas, &QPushButton::clicked, this, &frmSetup::cmdSaveas_Click);
    connect(cmdSaveChange, &QPushButton::clicked, this, &frmSetup::cmdSaveChange_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmSetup::cmdDelete_Click);
    connect(cmdReturn, &QPushButton::clicked, this, &frmSetup::cmdReturn_Click);
    connect(cmdInsertStep, &QPushButton::clicked, this, &frmSetup::cmdInsertStep_Click);
    connect(cmdDeleteStep, &QPushButton::clicked, this, &frmSetup::cmdDeleteStep_Click);
    connect(cmdBuilder, &QPushButton::clicked, this, &frmSetup::cmdBuilder_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmSetup::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSetup::cmdCancel_Click);
    connect(MSFlexGrid1, &QTableWidget::cellClicked, this,
            [this](int row, int col) { MSFlexGrid1_Click(row + 1, col); });
    connect(MSFlexGrid3, &QTableWidget::cellClicked, this,
            [this](int row, int col) { MSFlexGrid3_Click(row + 1, col); });
    connect(txtOverlap, &QLineEdit::returnPressed, this, &frmSetup::txtOverlap_Enter);
    for (CellEditor* e : {txtOverlap, txtOverlap2}) {
        e->setHiddenMask(kOverlapMask);
        connect(e, &QLineEdit::textEdited, this, [this] { editor_->markChanged(); });
    }
    // Any edit of a setting marks the sequence changed; filling the fields from the database does not.
    for (QLineEdit* e :
         {txtTimeBefRead, txtNoSampleAve, txtSampleInterval, txtShutDownATime, txtShutDownVisc})
        connect(e, &QLineEdit::textEdited, this, [this] { editor_->markChanged(); });
    connect(cmbSampleRate, &QComboBox::activated, this, [this] { editor_->markChanged(); });
    connect(unitGroup_, &QButtonGroup::idClicked, this, &frmSetup::unitOption_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmSetup::cmdSave_Click);
    connect(cmdReturn2, &QPushButton::clicked, this, &frmSetup::cmdReturn2_Click);

    Form_Load();
}

frmSetup::~frmSetup() {
    // The controls outlive the editor by a moment; nothing they do while going may reach it.
    for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
}

void frmSetup::setInsertStepDialog(InsertStepDialog dialog) {
    if (!dialog)
        dialog = [this](const InsertStepRequest& request) {
            return frmInsertStep::ask(messenger_, request, this);
        };
    editor_->setInsertStepDialog(std::move(dialog));
}

void frmSetup::Form_Load() {
    resize(1060, 620);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = geometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    editor_->layOut();
    txtOverlap2->hide();
    txtOverlap->hide();
    frameRamp->hide();
    cmbSampleRate->clear();
    cmbSampleRate->addItems(kSampleRates);
    cmbSampleRate->setCurrentIndex(0);
    TabStrip1->setCurrentIndex(0);
    visibleTab_ = 0;
    frameSequence->show();
    frameHardware->hide();
    showSettings(SequenceRules::textsFromSettings(SequenceSettings{}));
    fillSequenceList();
    readInitialSettings();
    editor_->markUnchanged();
}

// ---- the sequence on display -----------------------------------------------------------------------

SettingsTexts frmSetup::settingsTexts() const {
    SettingsTexts t;
    t.timeBeforeRead = txtTimeBefRead->text();
    t.sampleRate = cmbSampleRate->currentText();
    t.samplesAverage = txtNoSampleAve->text();
    t.sampleInterval = txtSampleInterval->text();
    t.shutDownATime = txtShutDownATime->text();
    t.shutDownVisc = txtShutDownVisc->text();
    return t;
}

void frmSetup::showSettings(const SettingsTexts& t) {
    txtTimeBefRead->setText(t.timeBeforeRead);
    // A stored rate that is not one of the four choices is shown as it is rather than replaced.
    int index = cmbSampleRate->findText(t.sampleRate);
    if (index < 0) {
        cmbSampleRate->addItem(t.sampleRate);
        index = cmbSampleRate->count() - 1;
    }
    cmbSampleRate->setCurrentIndex(index);
    txtNoSampleAve->setText(t.samplesAverage);
    txtSampleInterval->setText(t.sampleInterval);
    txtShutDownATime->setText(t.shutDownATime);
    txtShutDownVisc->setText(t.shutDownVisc);
}

QString frmSetup::selectedName() const {
    const QListWidgetItem* item = lstSeqName->currentItem();
    return item ? item->text() : QString();
}

void frmSetup::fillSequenceList() {
    const QStringList names = editor_->names();
    lstSeqName->clear();
    lstSeqName->addItems(names);
    if (lstSeqName->count() > 0)
        lstSeqName->setCurrentRow(0);
    else
        showSettings(editor_->clear());
}

void frmSetup::lstSeqName_Click() {
    if (lstSeqName->count() == 0) return;
    commitCellEditors();
    showSettings(editor_->load(selectedName()));
}

void frmSetup::txtSeqName_Change() {
    const QString text = txtSeqName->text();
    if (text.isEmpty() || lstSeqName->count() == 0) return;
    int match = lstSeqName->count() - 1;
    for (int i = 0; i < lstSeqName->count(); ++i)
        if (lstSeqName->item(i)->text().startsWith(text, Qt::CaseSensitive)) {
            match = i;
            break;
        }
    lstSeqName->setCurrentRow(match);
}

// ---- commands --------------------------------------------------------------------------------------

void frmSetup::cmdNew_Click() {
    commitCellEditors();
    if (editor_->createNew()) fillSequenceList();
}

void frmSetup::cmdSaveas_Click() {
    commitCellEditors();
    if (editor_->copyAs(selectedName())) fillSequenceList();
}

void frmSetup::cmdSaveChange_Click() {
    commitCellEditors();
    editor_->save(selectedName(), settingsTexts());
}

void frmSetup::cmdDelete_Click() {
    commitCellEditors();
    if (lstSeqName->currentItem() == nullptr) return;
    if (editor_->deleteSequence(selectedName())) fillSequenceList();
}

void frmSetup::cmdInsertStep_Click() {
    commitCellEditors();
    editor_->insertStep();
}

void frmSetup::cmdDeleteStep_Click() {
    commitCellEditors();
    editor_->deleteStep();
}

void frmSetup::cmdBuilder_Click() {
    frameRamp->show();
}

void frmSetup::cmdOK_Click() {
    commitCellEditors();
    const BuilderTexts texts{txtTotalSteps->text(), txtStepTime->text(), txtTemp->text(),
                             txtTempError->text(), txtShearrate->text()};
    if (editor_->runBuilder(texts)) frameRamp->hide();
}

void frmSetup::cmdCancel_Click() {
    frameRamp->hide();
}

// ---- in-cell editing -------------------------------------------------------------------------------

void frmSetup::MSFlexGrid1_Click(int row, int col) {
    if (row < 1 || col == StepGrid::kColStepNo) return;
    openCellEditor(MSFlexGrid1, txtOverlap2, row, col);
}

void frmSetup::MSFlexGrid3_Click(int row, int col) {
    if (row < 1) return;
    openCellEditor(MSFlexGrid3, txtOverlap, row, col);
}

void frmSetup::openCellEditor(FlexGrid* grid, CellEditor* editor, int row, int col) {
    editor->commit();
    if (row < 1 || row >= grid->Rows()) return;
    grid->setCurrentCell(row - 1, col);
    grid->scrollToItem(grid->item(row - 1, col));
    editor->open(row, col);
}

void frmSetup::commitCellEditors() {
    txtOverlap2->commit();
    txtOverlap->commit();
}

void frmSetup::txtOverlap2_LostFocus() {
    txtOverlap2->commit();
}

void frmSetup::txtOverlap_LostFocus() {
    txtOverlap->commit();
}

void frmSetup::txtOverlap_Enter() {
    if (!txtOverlap->isVisible()) return;
    const int next = txtOverlap->row() + 1;
    const int col = txtOverlap->col();
    txtOverlap->commit();
    if (next < MSFlexGrid3->Rows()) openCellEditor(MSFlexGrid3, txtOverlap, next, col);
}

// ---- tabs and the hardware settings ----------------------------------------------------------------

void frmSetup::TabStrip1_Click() {
    const int selected = TabStrip1->currentIndex();
    if (selected == visibleTab_) return;
    commitCellEditors();
    frameSequence->setVisible(selected == 0);
    frameHardware->setVisible(selected == 1);
    visibleTab_ = selected;
}

void frmSetup::readInitialSettings() {
    const InitialSettings::ReadResult& read = settings_.lastRead();
    for (int i = 0; i < InitialSettings::kUnitCount; ++i) {
        // A port outside the thirteen choices leaves its selector without a selection.
        const int port = i < read.numbers.size() ? read.numbers[i] : -1;
        cmbUnit[i]->setCurrentIndex(port >= 0 && port < cmbUnit[i]->count() ? port : -1);
    }
    checkUnitOption();
    if (!read.complete())
        messenger_.info(
            read.problem() +
                QStringLiteral("\r\n\r\nThe hardware settings show what could be read; "
                               "Save on the \"Hardware & Misc Setup\" tab writes a complete file."),
            kCaption, MsgIcon::Exclamation);
}

void frmSetup::checkUnitOption() {
    unitGroup_->setExclusive(false);
    optCGS->setChecked(settings_.unitSystem() == UnitSystem::CGS);
    OptEI->setChecked(settings_.unitSystem() == UnitSystem::EI);
    OptSI->setChecked(settings_.unitSystem() == UnitSystem::SI);
    unitGroup_->setExclusive(true);
}

void frmSetup::unitOption_Click(int option) {
    if (const auto system = unitSystemFromNumber(option)) settings_.setUnitSystem(*system);
}

void frmSetup::cmdSave_Click() {
    InitialSettings settings;
    for (int i = 0; i < InitialSettings::kUnitCount; ++i) settings.ports[i] = cmbUnit[i]->currentIndex();
    settings.systemOfUnits = numberOfUnitSystem(settings_.unitSystem());
    QString error;
    if (!settings_.save(settings, &error))
        messenger_.info(QStringLiteral("The hardware settings could not be written to \"%1\": %2\r\n"
                                       "The file on disk is unchanged.")
                            .arg(QString::fromLatin1(InitialSettings::kFileName), error),
                        kCaption, MsgIcon::Critical);
}

// ---- leaving ---------------------------------------------------------------------------------------

void frmSetup::cmdReturn_Click() {
    commitCellEditors();
    if (!editor_->mayLeave()) return;
    leaving_ = true;
    close();
}

void frmSetup::cmdReturn2_Click() {
    cmdReturn_Click();
}

void frmSetup::closeEvent(QCloseEvent* event) {
    commitCellEditors();
    // The close box asks the same question as Return, so that edits are never dropped unasked.
    if (!leaving_ && !editor_->mayLeave()) {
        event->ignore();
        return;
    }
    leaving_ = false;
    event->accept();
    emit closed();
}
