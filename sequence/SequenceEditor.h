#pragma once

#include "common/UnitSystem.h"

#include "common/TextGrid.h"
#include "sequence/SequenceData.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class Messenger;
class Settings;
class SequenceStore;
class StoreError;

// What the setup window hands the insert-step dialog when it opens it.
struct InsertStepRequest {
    QString stepNoText;                       // number of the current step, "1" with the header current
    UnitSystem unitSystem = UnitSystem::CGS;  // decides the temperature label and limit
};

// The dialog's results as the caller reads them after it closes. Temp is in the unit the dialog asked for
// (°C with the unit system SI).
struct InsertStepAnswer {
    double time = 0;
    double Temp = 0;
    double ShearRate = 0;
    double TempError = 0;
    bool Before = true;
    bool CancelInp = true;
};

// Shows the insert-step dialog modally and returns its results; the window passes one that opens
// frmInsertStep, tests one that answers at once.
using InsertStepDialog = std::function<InsertStepAnswer(const InsertStepRequest&)>;

// The sequence editing of the setup window without its widgets: the two grids (as texts), the sequence on
// display, its changed flag, and the commands with their questions and messages. The window reads its
// fields into SettingsTexts and shows what the commands return.
class SequenceEditor {
  public:
    // Our own texts for what the store or the operator's input cannot do.
    static QString duplicateNameText(const QString& name);
    static const QString kDuplicateNameTitle;
    static const QString kNothingToSave;
    static const QString kSaveFailed;
    static const QString kDatabaseErrorTitle;

    SequenceEditor(TextGrid& steps, TextGrid& shearRates, SequenceStore& store, Messenger& messenger,
                   const Settings& settings);

    void setInsertStepDialog(InsertStepDialog dialog) { insertStepDialog_ = std::move(dialog); }

    bool changed() const { return changed_; }
    void markChanged() { changed_ = true; }
    void markUnchanged() { changed_ = false; }

    // The sequence on display: its key (0 when none is shown) and name.
    double key() const { return key_; }
    QString name() const { return name_; }

    // Both grid layouts, empty.
    void layOut();

    // Inserts a step through the dialog at the current row; true when a step went in.
    bool insertStep();
    // Deletes the current step; true when one was deleted.
    bool deleteStep();
    // Replaces the steps by the builder's; true when it ran (the panel is then hidden).
    bool runBuilder(const BuilderTexts& texts);

    // The stored names (empty, after a message, when the database fails).
    QStringList names();
    // Shows the named sequence in the grids and returns its settings for the fields; unchanged afterwards.
    // When the database fails, says so and shows no sequence (so nothing can be saved over another one).
    SettingsTexts load(const QString& name);
    // Empties the grids when no sequence is left to show; returns the default settings' texts.
    SettingsTexts clear();

    // Checks and saves the sequence on display under the name selected in the list; true when saved.
    bool save(const QString& selectedName, const SettingsTexts& settings);
    // New / Copy As through the name input box; true when a sequence was stored (the list is to be refilled).
    bool createNew();
    bool copyAs(const QString& selectedName);
    // Delete with its question; true when the list is to be refilled.
    bool deleteSequence(const QString& selectedName);

    // Return: asks when the sequence is changed; true when the window may close.
    bool mayLeave();

  private:
    std::optional<QString> askNewName();
    void reportStoreError(const StoreError& error, const QString& lead = {});

    TextGrid& steps_;
    TextGrid& shearRates_;
    SequenceStore& store_;
    Messenger& messenger_;
    const Settings& settings_;
    InsertStepDialog insertStepDialog_;
    bool changed_ = false;
    double key_ = 0;
    QString name_;
};
