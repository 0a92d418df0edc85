#include "SequenceTestDb.h"

#include "common/Settings.h"
#include "sequence/SequenceEditor.h"
#include "sequence/SequenceRules.h"
#include "sequence/StepGrid.h"

#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"

namespace {

// The setup window's editing without its widgets: memory grids, a scripted messenger and an insert-step
// dialog that answers from the test.
class SequenceEditorTest : public SequenceTestDb {
  protected:
    SequenceEditorTest() {
        appSettings.setUnitSystem(UnitSystem::EI);
        editor.layOut();
        editor.setInsertStepDialog([this](const InsertStepRequest& request) {
            requests.append(request);
            return answer;
        });
    }

    // Loads a stored sample sequence as the window does when its name is selected.
    SettingsTexts loadSample(const QString& name = "Sample") {
        store.add(sample(name));
        return editor.load(name);
    }

    InsertStepAnswer okAnswer(double temp, bool before = true) {
        InsertStepAnswer a;
        a.time = 30;
        a.Temp = temp;
        a.TempError = 5;
        a.ShearRate = 100;
        a.Before = before;
        a.CancelInp = false;
        return a;
    }

    Settings appSettings;
    MemoryGrid steps{StepGrid::kCols};
    MemoryGrid rates{1};
    ScriptedMessenger messenger;
    SequenceEditor editor{steps, rates, store, messenger, appSettings};
    InsertStepAnswer answer;
    QList<InsertStepRequest> requests;
};

// ---- steps ---------------------------------------------------------------------------------------

TEST_F(SequenceEditorTest, InsertingAtNinetyEightStepsIsRefusedWithoutOpeningTheDialog) {
    steps.setRows(StepGrid::kMaxSteps + 1);
    answer = okAnswer(200);
    EXPECT_FALSE(editor.insertStep());
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_EQ(messenger.shown[0].text, "Operation not allowed.  Maximum step is 98.");
    EXPECT_EQ(messenger.shown[0].title, "Too Many Test Steps.");
    EXPECT_TRUE(requests.isEmpty());
    EXPECT_EQ(steps.Rows(), 99);
    EXPECT_FALSE(editor.changed());
}

TEST_F(SequenceEditorTest, CancelledDialogLeavesTheStepsAndTheSequenceUnchanged) {
    loadSample();
    answer = okAnswer(200);
    answer.CancelInp = true;
    EXPECT_FALSE(editor.insertStep());
    EXPECT_EQ(StepGrid::stepCount(steps), 3);
    EXPECT_FALSE(editor.changed());
}

TEST_F(SequenceEditorTest, DialogIsToldTheCurrentStepNumberAndTheUnitSystem) {
    loadSample();
    answer = okAnswer(200);
    steps.setRow(0);
    editor.insertStep();
    steps.setRow(3);
    editor.insertStep();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].stepNoText, "1");
    EXPECT_EQ(requests[1].stepNoText, "3");
    EXPECT_EQ(requests[1].unitSystem, UnitSystem::EI);
}

TEST_F(SequenceEditorTest, InsertedStepBeforeTheHeaderGoesToRowOneAndMarksChanged) {
    loadSample();
    steps.setRow(0);
    answer = okAnswer(275);
    EXPECT_TRUE(editor.insertStep());
    EXPECT_EQ(StepGrid::stepCount(steps), 4);
    EXPECT_EQ(steps.TextMatrix(1, StepGrid::kColTemp), " 275");
    EXPECT_EQ(steps.TextMatrix(2, StepGrid::kColTemp), "150.");
    EXPECT_TRUE(editor.changed());
}

struct UnitCase {
    UnitSystem unitSystem;
    double typed;
    QString cell;
};

TEST_F(SequenceEditorTest, TemperatureTypedInCelsiusEntersTheGridInFahrenheit) {
    for (const UnitCase& c :
         {UnitCase{UnitSystem::SI, 100, " 212"}, UnitCase{UnitSystem::SI, 232.2, " 449.96"},
          UnitCase{UnitSystem::EI, 232.3, " 232.3"}, UnitCase{UnitSystem::CGS, 450, " 450"}}) {
        appSettings.setUnitSystem(c.unitSystem);
        steps.setRow(0);
        answer = okAnswer(c.typed);
        ASSERT_TRUE(editor.insertStep());
        EXPECT_EQ(steps.TextMatrix(1, StepGrid::kColTemp), c.cell)
            << numberOfUnitSystem(c.unitSystem) << " " << c.typed;
    }
}

TEST_F(SequenceEditorTest, DeletingTheLastStepIsAllowedAndSavingThenRefused) {
    const SettingsTexts settings = loadSample();
    for (int i = 0; i < 3; ++i) {
        steps.setRow(1);
        EXPECT_TRUE(editor.deleteStep());
    }
    EXPECT_EQ(steps.Rows(), 1);
    EXPECT_FALSE(editor.deleteStep());  // only the header is left
    EXPECT_TRUE(editor.changed());

    EXPECT_FALSE(editor.save("Sample", settings));
    EXPECT_EQ(messenger.texts(), QStringList{"AT LEAST MUST ONE SEQUENCE STEP"});
    EXPECT_EQ(store.read("Sample").steps.size(), 3);
}

TEST_F(SequenceEditorTest, BuilderMakesHundredTwentyStepsAndThoseSave) {
    const SettingsTexts settings = loadSample();

    EXPECT_TRUE(editor.runBuilder({"120", "30", "250", "5", "100"}));
    EXPECT_TRUE(editor.changed());
    EXPECT_TRUE(editor.save("Sample", settings));
    EXPECT_TRUE(messenger.texts().isEmpty());
    const StoredSequence s = store.read("Sample");
    ASSERT_EQ(s.steps.size(), 120);
    EXPECT_EQ(s.steps[119], (SequenceStep{30, 250, 5, 100, 1}));
}

TEST_F(SequenceEditorTest, BuilderTemperatureOutOfRangeChangesNothing) {
    loadSample();
    EXPECT_FALSE(editor.runBuilder({"10", "30", "600", "5", "100"}));
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_EQ(messenger.shown[0].text, "Input number out of range.  Please check the input.");
    EXPECT_EQ(messenger.shown[0].title, "Input number out of allowable range.");
    EXPECT_EQ(StepGrid::stepCount(steps), 3);
}

// ---- loading and saving --------------------------------------------------------------------------

TEST_F(SequenceEditorTest, LoadedSequenceShowsItsValuesAndIsUnchanged) {
    editor.markChanged();
    const SettingsTexts settings = loadSample();
    EXPECT_EQ(settings, (SettingsTexts{"30", "5", "4", "120", "25", "150"}));
    EXPECT_EQ(steps.TextMatrix(3, StepGrid::kColTemp), "300.25");
    EXPECT_EQ(steps.TextMatrix(2, StepGrid::kColShearRate), "170");
    EXPECT_EQ(rates.TextMatrix(4, 0), "42");
    EXPECT_EQ(rates.TextMatrix(5, 0), "");
    EXPECT_EQ(editor.name(), "Sample");
    EXPECT_FALSE(editor.changed());
}

TEST_F(SequenceEditorTest, SaveWritesWhatIsOnDisplayAndClearsTheChangedFlag) {
    SettingsTexts settings = loadSample();
    settings.timeBeforeRead = "40";
    steps.setTextMatrix(1, StepGrid::kColTime, "12.5");
    rates.setTextMatrix(5, 0, "21");
    editor.markChanged();

    EXPECT_TRUE(editor.save("Sample", settings));
    EXPECT_TRUE(messenger.shown.isEmpty());
    EXPECT_FALSE(editor.changed());
    const StoredSequence s = store.read("Sample");
    EXPECT_EQ(s.settings.timeBeforeRead_s, 40);
    EXPECT_EQ(s.steps[0].elapseTime_min, 12.5);
    EXPECT_EQ(s.shearRates_1ps, QList<double>({170, 128, 85, 42, 21}));
}

TEST_F(SequenceEditorTest, RefusedSaveShowsTheMessageWithoutTitleAndWritesNothing) {
    SettingsTexts settings = loadSample();
    settings.sampleInterval = "10";
    settings.samplesAverage = "5";
    settings.sampleRate = "2";
    steps.setTextMatrix(1, StepGrid::kColTime, "99");
    editor.markChanged();

    EXPECT_FALSE(editor.save("Sample", settings));
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_EQ(messenger.shown[0].title, "");
    EXPECT_EQ(messenger.shown[0].text, SequenceRules::kIntervalTooSmall);
    EXPECT_TRUE(editor.changed());
    EXPECT_EQ(store.read("Sample").steps[0].elapseTime_min, 30);
}

TEST_F(SequenceEditorTest, SavingWithNoStoredSequenceShownIsRefused) {
    steps.setRows(2);
    steps.setTextMatrix(1, StepGrid::kColTemp, "200");
    rates.setTextMatrix(1, 0, "100");
    EXPECT_FALSE(editor.save("", SequenceRules::textsFromSettings({})));
    EXPECT_EQ(messenger.texts(), QStringList{SequenceEditor::kNothingToSave});
    EXPECT_TRUE(store.names().isEmpty());
}

TEST_F(SequenceEditorTest, DatabaseFailureDuringSaveTellsTheOperatorNothingWasSaved) {
    SettingsTexts settings = loadSample();
    const StoredSequence before = store.read("Sample");
    settings.timeBeforeRead = "99";
    steps.setTextMatrix(1, StepGrid::kColTime, "1");
    editor.markChanged();
    breakShearRateInserts();

    EXPECT_FALSE(editor.save("Sample", settings));
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_TRUE(messenger.shown[0].text.startsWith(SequenceEditor::kSaveFailed));
    EXPECT_TRUE(messenger.shown[0].text.contains("disk I/O error"));
    EXPECT_TRUE(editor.changed());
    EXPECT_EQ(steps.TextMatrix(1, StepGrid::kColTime), "1");  // the edits stay on display
    const StoredSequence after = store.read("Sample");
    EXPECT_EQ(after.settings, before.settings);
    EXPECT_EQ(after.steps, before.steps);
}

TEST_F(SequenceEditorTest, FailedLoadShowsNoSequenceSoNothingIsSavedOverAnother) {
    const SettingsTexts settings = loadSample();
    store.add(sample("Other"));
    QSqlQuery(connection.ADOConnection()).exec("DROP TABLE SEQUENCE_RAMP");

    editor.load("Other");
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_EQ(messenger.shown[0].title, SequenceEditor::kDatabaseErrorTitle);
    EXPECT_EQ(editor.key(), 0);
    EXPECT_EQ(steps.Rows(), 1);
    answer = okAnswer(200);
    editor.insertStep();
    rates.setTextMatrix(1, 0, "100");
    EXPECT_FALSE(editor.save("Other", settings));
    EXPECT_EQ(messenger.shown.last().text, SequenceEditor::kNothingToSave);
}

TEST_F(SequenceEditorTest, ClearingTheDisplayLeavesNoSequenceToSave) {
    loadSample();
    const SettingsTexts defaults = editor.clear();
    EXPECT_EQ(defaults.timeBeforeRead, "20");
    EXPECT_EQ(steps.Rows(), 1);
    EXPECT_EQ(rates.TextMatrix(1, 0), "");
    EXPECT_EQ(editor.key(), 0);
}

// ---- names ---------------------------------------------------------------------------------------

TEST_F(SequenceEditorTest, NewAsksForANameAndStoresADefaultSequence) {
    messenger.inputs.enqueue(QString("Guar 200F"));
    EXPECT_TRUE(editor.createNew());
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_EQ(messenger.shown[0].text, "Please input new test sequence name:");
    EXPECT_EQ(messenger.shown[0].title, "Input New Test Sequence Name");
    EXPECT_EQ(store.read("Guar 200F").settings, SequenceSettings{});

    messenger.inputs.enqueue(QString());
    EXPECT_FALSE(editor.createNew());
    messenger.inputs.enqueue(std::nullopt);
    EXPECT_FALSE(editor.createNew());
    messenger.shown.clear();
    messenger.inputs.enqueue(QString("Guar\x1b[2J\r\n"));
    EXPECT_FALSE(editor.createNew());
    ASSERT_EQ(messenger.shown.size(), 2);
    EXPECT_TRUE(messenger.shown[1].text.contains("holds a control character"));
    EXPECT_EQ(store.names(), QStringList{"Guar 200F"});
}

struct DuplicateCase {
    const char* name;
    bool copy;
    QString typed;
};

TEST_F(SequenceEditorTest, NewAndCopyAsRefuseANameAlreadyStoredWhateverItsCase) {
    store.add(sample("Borate XL"));
    for (const DuplicateCase& c :
         {DuplicateCase{"New", false, "Borate XL"}, DuplicateCase{"New", false, "BORATE xl"},
          DuplicateCase{"CopyAs", true, "borate xl"}}) {
        messenger.shown.clear();
        messenger.inputs.enqueue(c.typed);
        EXPECT_FALSE(c.copy ? editor.copyAs("Borate XL") : editor.createNew()) << c.name;
        ASSERT_EQ(messenger.shown.size(), 2) << c.name;
        EXPECT_EQ(messenger.shown[1].text, SequenceEditor::duplicateNameText(c.typed));
        EXPECT_EQ(messenger.shown[1].title, SequenceEditor::kDuplicateNameTitle);
    }
    EXPECT_EQ(store.names(), QStringList{"Borate XL"});
    EXPECT_EQ(store.read("Borate XL").steps.size(), 3);
}

TEST_F(SequenceEditorTest, CopyAsCopiesTheStoredSequenceAndLeavesItUnchanged) {
    loadSample("Source");
    editor.markChanged();
    messenger.inputs.enqueue(QString("Target"));
    EXPECT_TRUE(editor.copyAs("Source"));
    EXPECT_FALSE(editor.changed());
    EXPECT_EQ(store.read("Target").steps, store.read("Source").steps);
}

TEST_F(SequenceEditorTest, DeleteAsksFirstAndCancelKeepsTheSequence) {
    store.add(sample("Doomed"));
    messenger.answers.enqueue(false);
    EXPECT_FALSE(editor.deleteSequence("Doomed"));
    EXPECT_EQ(messenger.texts(), QStringList{"Are you sure to delete this test setup and its results?"});
    EXPECT_TRUE(store.read("Doomed").found);

    messenger.answers.enqueue(true);
    EXPECT_TRUE(editor.deleteSequence("Doomed"));
    EXPECT_FALSE(store.read("Doomed").found);
}

// ---- leaving -------------------------------------------------------------------------------------

struct LeaveCase {
    bool changed;
    bool answer;
    bool asked;
    bool mayLeave;
};

TEST_F(SequenceEditorTest, ReturnAsksOnlyWhenChangedAndCancelKeepsTheWindow) {
    for (const LeaveCase& c : {LeaveCase{false, false, false, true}, LeaveCase{true, false, true, false},
                               LeaveCase{true, true, true, true}}) {
        messenger.shown.clear();
        messenger.answers.clear();
        messenger.answers.enqueue(c.answer);
        c.changed ? editor.markChanged() : editor.markUnchanged();
        EXPECT_EQ(editor.mayLeave(), c.mayLeave);
        EXPECT_EQ(messenger.shown.size(), c.asked ? 1 : 0);
        if (c.asked) {
            EXPECT_EQ(messenger.shown[0].text,
                      "Current active sequence was changed, do you want to leave without save?");
            EXPECT_EQ(messenger.shown[0].kind, ScriptedMessenger::Kind::OkCancel);
        }
    }
}

}  // namespace
