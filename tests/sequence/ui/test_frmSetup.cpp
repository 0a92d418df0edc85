#include "common/Settings.h"
#include "common/ui/CellEditor.h"
#include "common/ui/FlexGrid.h"
#include "sequence/DemoSequences.h"
#include "sequence/SequenceStore.h"
#include "sequence/StepGrid.h"
#include "sequence/ui/frmSetup.h"
#include "store/clsConnection.h"

#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>

namespace {

// The setup window on a database holding the two demonstration sequences, with "initial.txt" holding
// the given numbers.
class frmSetupTest : public testing::Test {
  protected:
    void open(const QByteArray& initial = "3\n0\n0\n0\n0\n0\n0\n0\n2\n") {
        if (!initial.isNull()) {
            QFile file(dir.file("initial.txt"));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(initial);
        }
        connection.OpenDB();
        createDemoSequences(connection);
        settings.load();
        window = std::make_unique<frmSetup>(connection, messenger, settings);
        window->setInsertStepDialog([this](const InsertStepRequest&) { return answer; });
    }

    TempWorkDir dir;
    clsConnection connection;
    ScriptedMessenger messenger;
    Settings settings;
    std::unique_ptr<frmSetup> window;
    InsertStepAnswer answer;
};

TEST_F(frmSetupTest, ControlsCarryTheirCaptionsAndTips) {
    open();
    frmSetup& w = *window;
    EXPECT_EQ(w.windowTitle(), "R7716 Setup");
    EXPECT_EQ(w.TabStrip1->tabText(0), "Test Sequence Setup");
    EXPECT_EQ(w.TabStrip1->tabText(1), "Hardware && Misc Setup");
    struct Button {
        QPushButton* button;
        QString caption, tip;
    };
    for (const Button& b : {
             Button{w.cmdNew, "&New", "Click here to create a new test sequence"},
             Button{w.cmdDelete, "&Delete", "Click here to delete the selected test ssequence"},
             Button{w.cmdSaveas, "Copy &As",
                    "Click here to save the selected test sequence as a different name"},
             Button{w.cmdSaveChange, "&Save ", "Click here to save sequence steps"},
             Button{w.cmdReturn, "&Return", "Click here to return to main menu"},
             Button{w.cmdInsertStep, "&Insert step",
                    "Click here to insert new test step in the current test sequence"},
             Button{w.cmdDeleteStep, "De&lete  step",
                    "Click here to delete the test step from the current test sequence"},
             Button{w.cmdBuilder, "Auto Step Builder", "Click here to copy & paste one section of steps"},
             Button{w.cmdOK, "OK", "Click here to list steps"},
             Button{w.cmdCancel, "Cancel", "Click here to exit"},
             Button{w.cmdSave, "&Save", ""},
             Button{w.cmdReturn2, "&Return", ""},
         }) {
        EXPECT_EQ(b.button->text(), b.caption);
        EXPECT_EQ(b.button->toolTip(), b.tip) << b.caption.toStdString();
    }
    EXPECT_EQ(w.MSFlexGrid1->toolTip(), "Select the desired test step by click on it");
    EXPECT_EQ(w.txtTimeBefRead->toolTip(), "Enter a number >=20 and <=200");
    EXPECT_EQ(w.txtNoSampleAve->toolTip(), "Enter a number >=1 and <=20");
    EXPECT_EQ(w.OptEI->toolTip(), "Click here to select English Units");
    EXPECT_EQ(w.OptSI->toolTip(), "Click here to select Metric Units");
    EXPECT_EQ(w.frameRamp->title(), "Auto Ramp Builder");
    EXPECT_EQ(w.cmbUnit[0]->itemText(12), "Comm 12");
    EXPECT_EQ(w.MSFlexGrid3->Rows(), 41);
    EXPECT_EQ(w.MSFlexGrid3->TextMatrix(0, 0), "Shear Rate (1/S)");
}

TEST_F(frmSetupTest, OpeningShowsTheFirstSequenceUnchanged) {
    open();
    frmSetup& w = *window;
    ASSERT_EQ(w.lstSeqName->count(), 2);
    EXPECT_EQ(w.selectedName(), "Borate XL 250F");
    EXPECT_EQ(StepGrid::stepCount(*w.MSFlexGrid1), 6);
    EXPECT_EQ(w.MSFlexGrid1->TextMatrix(4, StepGrid::kColTemp), "250.");
    EXPECT_EQ(w.MSFlexGrid3->TextMatrix(1, 0), "170");
    EXPECT_EQ(w.settingsTexts(), (SettingsTexts{"20", "2", "5", "60", "20", "50"}));
    EXPECT_FALSE(w.frameRamp->isVisibleTo(&w));
    EXPECT_FALSE(w.txtOverlap2->isVisibleTo(&w));
    EXPECT_FALSE(w.frameHardware->isVisibleTo(&w));
    EXPECT_FALSE(w.editor().changed());
    EXPECT_TRUE(messenger.shown.isEmpty()) << messenger.texts().join("|").toStdString();
}

TEST_F(frmSetupTest, SearchFieldSelectsTheFirstNameStartingWithTheTextOrElseTheLast) {
    open();
    frmSetup& w = *window;
    for (const auto& [typed, expected] : {std::pair{"HPHT", "HPHT Stability 350F"},
                                          {"Bor", "Borate XL 250F"},
                                          {"hpht", "HPHT Stability 350F"},
                                          {"Bz", "HPHT Stability 350F"}}) {
        w.txtSeqName->clear();
        w.lstSeqName->setCurrentRow(0);
        QTest::keyClicks(w.txtSeqName, typed);
        EXPECT_EQ(w.selectedName(), expected) << typed;
    }
    EXPECT_EQ(StepGrid::stepCount(*w.MSFlexGrid1), 8);  // the 350F sequence is on display
}

TEST_F(frmSetupTest, InsertDeleteAndSaveWorkOnTheSequenceOnDisplay) {
    open();
    frmSetup& w = *window;
    answer = {30, 300, 100, 5, true, false};
    w.MSFlexGrid1->setRow(2);
    w.cmdInsertStep->click();
    EXPECT_EQ(w.MSFlexGrid1->TextMatrix(2, StepGrid::kColTemp), " 300");
    EXPECT_TRUE(w.editor().changed());
    w.MSFlexGrid1->setRow(1);
    w.cmdDeleteStep->click();
    QTest::keyClicks(w.txtTimeBefRead, "5");  // "205"
    w.cmdSaveChange->click();
    EXPECT_TRUE(messenger.shown.isEmpty()) << messenger.texts().join("|").toStdString();
    EXPECT_FALSE(w.editor().changed());

    SequenceStore store(connection);
    const StoredSequence s = store.read("Borate XL 250F");
    EXPECT_EQ(s.steps.size(), 6);
    EXPECT_EQ(s.steps[0].temp_F, 300);
    EXPECT_EQ(s.settings.timeBeforeRead_s, 205);
}

TEST_F(frmSetupTest, CellEditorsStoreTheirTextAndEnterMovesDownTheShearRates) {
    open();
    frmSetup& w = *window;
    w.show();

    w.MSFlexGrid1_Click(1, StepGrid::kColStepNo);
    EXPECT_FALSE(w.txtOverlap2->isVisible());
    w.MSFlexGrid1_Click(2, StepGrid::kColTime);
    ASSERT_TRUE(w.txtOverlap2->isVisible());
    EXPECT_EQ(w.txtOverlap2->geometry(), w.MSFlexGrid1->cellRect(2, StepGrid::kColTime));
    EXPECT_EQ(w.txtOverlap2->text(), "15");
    QTest::keyClicks(w.txtOverlap2, "25");
    EXPECT_TRUE(w.editor().changed());
    w.txtOverlap2_LostFocus();
    EXPECT_FALSE(w.txtOverlap2->isVisible());
    EXPECT_EQ(w.MSFlexGrid1->TextMatrix(2, StepGrid::kColTime), "25");

    w.MSFlexGrid3_Click(5, 0);
    QTest::keyClicks(w.txtOverlap, "21");
    QTest::keyClick(w.txtOverlap, Qt::Key_Return);
    EXPECT_EQ(w.MSFlexGrid3->TextMatrix(5, 0), "21");
    ASSERT_TRUE(w.txtOverlap->isVisible());
    EXPECT_EQ(w.txtOverlap->geometry(), w.MSFlexGrid3->cellRect(6, 0));

    // Scrolling hides the editor, its text kept.
    QTest::keyClicks(w.txtOverlap, "7");
    w.MSFlexGrid3->verticalScrollBar()->setValue(w.MSFlexGrid3->verticalScrollBar()->maximum());
    EXPECT_FALSE(w.txtOverlap->isVisible());
    EXPECT_EQ(w.MSFlexGrid3->TextMatrix(6, 0), "7");
}

TEST_F(frmSetupTest, ReturnAsksAboutUnsavedChangesAndCancelKeepsTheWindow) {
    open();
    frmSetup& w = *window;
    QSignalSpy closed(&w, &frmSetup::closed);
    w.show();
    w.cmdReturn->click();  // unchanged: closes without asking
    EXPECT_TRUE(messenger.shown.isEmpty());
    EXPECT_EQ(closed.count(), 1);

    w.show();
    w.cmdDeleteStep->click();  // row 0 current: nothing to delete
    w.MSFlexGrid1->setRow(1);
    w.cmdDeleteStep->click();
    messenger.answers.enqueue(false);
    w.cmdReturn2->click();
    EXPECT_EQ(messenger.texts(),
              QStringList{"Current active sequence was changed, do you want to leave without save?"});
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(StepGrid::stepCount(*w.MSFlexGrid1), 5);

    messenger.answers.enqueue(false);
    w.close();  // the close box asks as well
    EXPECT_TRUE(w.isVisible());
    messenger.answers.enqueue(true);
    w.cmdReturn->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(closed.count(), 2);
}

TEST_F(frmSetupTest, DeletingTheLastSequenceEmptiesTheDisplay) {
    open();
    frmSetup& w = *window;
    messenger.answers << true << true;  // "Are you sure to delete ...?" for each of the two sequences
    w.cmdDelete->click();
    w.cmdDelete->click();
    EXPECT_EQ(w.lstSeqName->count(), 0);
    EXPECT_EQ(w.MSFlexGrid1->Rows(), 1);
    EXPECT_EQ(w.MSFlexGrid3->TextMatrix(1, 0), "");
    messenger.shown.clear();
    w.cmdSaveChange->click();
    EXPECT_EQ(messenger.texts(), QStringList{"AT LEAST MUST ONE SEQUENCE STEP"});
}

TEST_F(frmSetupTest, NewRefusesAStoredNameAndOtherwiseRefillsTheList) {
    open();
    frmSetup& w = *window;
    messenger.inputs.enqueue(QString("borate xl 250f"));
    w.cmdNew->click();
    EXPECT_EQ(w.lstSeqName->count(), 2);
    EXPECT_EQ(messenger.shown.last().title, SequenceEditor::kDuplicateNameTitle);
    messenger.inputs.enqueue(QString("Another"));
    w.cmdSaveas->click();
    ASSERT_EQ(w.lstSeqName->count(), 3);
    EXPECT_EQ(w.lstSeqName->item(0)->text(), "Another");
}

TEST_F(frmSetupTest, HardwareTabShowsInitialTxtAndSavesMinusOneForAnEmptySelector) {
    open();
    frmSetup& w = *window;
    w.TabStrip1->setCurrentIndex(1);
    EXPECT_TRUE(w.frameHardware->isVisibleTo(&w));
    EXPECT_FALSE(w.frameSequence->isVisibleTo(&w));
    EXPECT_EQ(w.cmbUnit[0]->currentText(), "Comm 3");
    EXPECT_EQ(w.cmbUnit[7]->currentText(), "None");
    EXPECT_TRUE(w.OptEI->isChecked());
    EXPECT_EQ(settings.unitSystem(), UnitSystem::EI);

    w.cmbUnit[1]->setCurrentIndex(-1);
    w.cmbUnit[2]->setCurrentIndex(12);
    w.cmdSave->click();
    const InitialSettings::ReadResult saved = InitialSettings::read();
    ASSERT_TRUE(saved.complete());
    EXPECT_EQ(saved.numbers, QList<int>({3, -1, 12, 0, 0, 0, 0, 0, 2}));
}

TEST_F(frmSetupTest, UnitSystemChosenButNotSavedLastsForTheRunOnly) {
    open();
    frmSetup& w = *window;
    w.TabStrip1->setCurrentIndex(1);
    w.show();
    QTest::mouseClick(w.OptSI, Qt::LeftButton, {}, QPoint(4, w.OptSI->height() / 2));
    EXPECT_EQ(settings.unitSystem(), UnitSystem::SI);
    w.cmdReturn2->click();
    EXPECT_EQ(InitialSettings::read().settings.systemOfUnits, 2);
    EXPECT_EQ(settings.unitSystem(), UnitSystem::SI);
}

TEST_F(frmSetupTest, UnknownUnitSystemShowsAsCgsAndABadFileIsReported) {
    open("1 2 0 0 0 0 0 13 7");
    // The program shows CGS for a unit system it does not know; the option says so.
    EXPECT_TRUE(window->optCGS->isChecked());
    EXPECT_FALSE(window->OptEI->isChecked() || window->OptSI->isChecked());
    EXPECT_EQ(window->cmbUnit[7]->currentIndex(), -1);  // 13 is not a port choice
    EXPECT_TRUE(messenger.shown.isEmpty());

    window.reset();
    QFile::remove(dir.file("initial.txt"));
    settings.load();
    window = std::make_unique<frmSetup>(connection, messenger, settings);
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_TRUE(messenger.shown[0].text.contains("initial.txt"));
    EXPECT_EQ(window->cmbUnit[0]->currentIndex(), -1);
    EXPECT_EQ(settings.unitSystem(), UnitSystem::CGS);
}

}  // namespace
