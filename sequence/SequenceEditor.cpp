#include "sequence/SequenceEditor.h"

#include "common/Settings.h"

#include "common/Messenger.h"
#include "common/PrintableText.h"
#include "common/VbFormat.h"
#include "sequence/SequenceRules.h"
#include "sequence/SequenceStore.h"
#include "sequence/StepGrid.h"
#include "store/StoreError.h"

namespace {
const QString kNamePrompt = QStringLiteral("Please input new test sequence name:");
const QString kNameTitle = QStringLiteral("Input New Test Sequence Name");
const QString kDeleteQuestion = QStringLiteral("Are you sure to delete this test setup and its results?");
const QString kLeaveQuestion =
    QStringLiteral("Current active sequence was changed, do you want to leave without save?");
}  // namespace

const QString SequenceEditor::kDuplicateNameTitle = QStringLiteral("Test Sequence Name In Use");
const QString SequenceEditor::kNothingToSave = QStringLiteral(
    "No test sequence is selected. Select one in the list, or create one with New, before saving.");
const QString SequenceEditor::kSaveFailed = QStringLiteral(
    "The test sequence could not be saved; nothing of it was written and the stored sequence "
    "is unchanged. Your edits are still on display.");
const QString SequenceEditor::kDatabaseErrorTitle = QStringLiteral("Database Error");

QString SequenceEditor::duplicateNameText(const QString& name) {
    return QStringLiteral("A test sequence named \"%1\" is already stored. Please input a different name.")
        .arg(name);
}

SequenceEditor::SequenceEditor(TextGrid& steps, TextGrid& shearRates, SequenceStore& store,
                               Messenger& messenger, const Settings& settings)
    : steps_(steps), shearRates_(shearRates), store_(store), messenger_(messenger), settings_(settings) {}

void SequenceEditor::layOut() {
    StepGrid::layOut(steps_);
    ShearGrid::layOut(shearRates_);
}

bool SequenceEditor::insertStep() {
    if (const auto refusal = SequenceRules::checkCanInsert(steps_)) {
        messenger_.info(refusal->text, refusal->title);
        return false;
    }
    InsertStepRequest request;
    const int row = steps_.Row();
    request.stepNoText =
        row > 0 ? steps_.TextMatrix(row, StepGrid::kColStepNo).trimmed() : QStringLiteral("1");
    request.unitSystem = settings_.unitSystem();
    const InsertStepAnswer answer = insertStepDialog_ ? insertStepDialog_(request) : InsertStepAnswer{};
    if (answer.CancelInp) return false;

    SequenceStep step;
    step.elapseTime_min = answer.time;
    step.temp_F = InsertStepRules::stepTemp_F(answer.Temp, settings_.unitSystem());
    step.startError_F = answer.TempError;
    step.shearRate_1ps = answer.ShearRate;
    step.runRamp = 1;
    StepGrid::insertStep(steps_, step, answer.Before);
    markChanged();
    return true;
}

bool SequenceEditor::deleteStep() {
    if (!StepGrid::deleteCurrentStep(steps_)) return false;
    markChanged();
    return true;
}

bool SequenceEditor::runBuilder(const BuilderTexts& texts) {
    if (const auto refusal = SequenceRules::checkBuilder(texts)) {
        messenger_.info(refusal->text, refusal->title);
        return false;
    }
    StepGrid::build(steps_, SequenceRules::builderStepCount(texts), texts);
    markChanged();
    return true;
}

QStringList SequenceEditor::names() {
    try {
        return store_.names();
    } catch (const StoreError& e) {
        reportStoreError(e, QStringLiteral("The list of test sequences could not be read."));
        return {};
    }
}

SettingsTexts SequenceEditor::load(const QString& name) {
    StoredSequence sequence;
    try {
        sequence = store_.read(name);
    } catch (const StoreError& e) {
        reportStoreError(e, QStringLiteral("The test sequence \"%1\" could not be read.").arg(name));
        return clear();
    }
    key_ = sequence.id;
    name_ = sequence.found ? sequence.name : QString();
    StepGrid::showSteps(steps_, sequence.steps);
    ShearGrid::showRates(shearRates_, sequence.shearRates_1ps);
    markUnchanged();
    return SequenceRules::textsFromSettings(sequence.settings);
}

SettingsTexts SequenceEditor::clear() {
    key_ = 0;
    name_.clear();
    StepGrid::showSteps(steps_, {});
    ShearGrid::showRates(shearRates_, {});
    markUnchanged();
    return SequenceRules::textsFromSettings(SequenceSettings{});
}

bool SequenceEditor::save(const QString& selectedName, const SettingsTexts& settings) {
    if (const auto refusal = SequenceRules::checkForSave(steps_, shearRates_, settings)) {
        messenger_.info(refusal->text, refusal->title);
        return false;
    }
    // Without a stored sequence on display the steps would be written under no sequence at all.
    if (key_ == 0 || selectedName.isEmpty()) {
        messenger_.info(kNothingToSave);
        return false;
    }
    StoredSequence sequence;
    sequence.found = true;
    sequence.id = key_;
    sequence.name = selectedName;
    sequence.settings = SequenceRules::settingsFromTexts(settings);
    sequence.steps = StepGrid::readSteps(steps_);
    sequence.shearRates_1ps = ShearGrid::readRates(shearRates_);
    try {
        store_.save(sequence);
    } catch (const StoreError& e) {
        reportStoreError(e, kSaveFailed);
        return false;
    }
    name_ = selectedName;
    markUnchanged();
    return true;
}

std::optional<QString> SequenceEditor::askNewName() {
    const std::optional<QString> answer = messenger_.inputBox(kNamePrompt, kNameTitle);
    if (!answer || answer->isEmpty()) return std::nullopt;
    if (const auto problem = printable_text::nameProblem(QStringLiteral("sequence name"), *answer)) {
        messenger_.info(*problem, kNameTitle, MsgIcon::Exclamation);
        return std::nullopt;
    }
    // Two sequences of one name could not be told apart: lookups find one of them, Delete removes both.
    bool stored = false;
    try {
        stored = store_.nameIsStored(*answer);
    } catch (const StoreError& e) {
        reportStoreError(e,
                         QStringLiteral("The list of test sequences could not be read; nothing was stored."));
        return std::nullopt;
    }
    if (stored) {
        messenger_.info(duplicateNameText(*answer), kDuplicateNameTitle, MsgIcon::Exclamation);
        return std::nullopt;
    }
    return answer;
}

bool SequenceEditor::createNew() {
    const std::optional<QString> name = askNewName();
    if (!name) return false;
    try {
        store_.create(*name);
    } catch (const StoreError& e) {
        reportStoreError(e, QStringLiteral("The test sequence \"%1\" could not be created.").arg(*name));
        return false;
    }
    return true;
}

bool SequenceEditor::copyAs(const QString& selectedName) {
    const std::optional<QString> name = askNewName();
    if (!name) return false;
    try {
        store_.copyAs(selectedName, *name);
    } catch (const StoreError& e) {
        reportStoreError(e, QStringLiteral("The test sequence could not be copied; nothing was stored."));
        return false;
    }
    markUnchanged();
    return true;
}

bool SequenceEditor::deleteSequence(const QString& selectedName) {
    if (!messenger_.okCancel(kDeleteQuestion)) return false;
    try {
        store_.remove(selectedName);
    } catch (const StoreError& e) {
        reportStoreError(e,
                         QStringLiteral("The test sequence \"%1\" could not be deleted.").arg(selectedName));
        return false;
    }
    return true;
}

bool SequenceEditor::mayLeave() {
    if (!changed_) return true;
    return messenger_.okCancel(kLeaveQuestion);
}

void SequenceEditor::reportStoreError(const StoreError& error, const QString& lead) {
    QString text = lead;
    if (!text.isEmpty()) text += QStringLiteral("\r\n\r\n");
    text += error.report();
    messenger_.info(text, kDatabaseErrorTitle, MsgIcon::Critical);
}
