#pragma once

#include "store/TestAudit.h"
#include "store/clsTEST_ADDITIVE.h"
#include "store/clsTEST_INFO.h"
#include "testinfo/TestInfoForm.h"

#include <QString>

#include <optional>
#include <vector>

class clsConnection;
class Messenger;
class TextGrid;

// What the test-information view (frmViewRelatedInfo) does, without the window: reads one stored test's
// descriptive data and additives into the boxes and the grid, and writes the edited values back - the
// TEST_INFO row and the whole additive list in one transaction, so a failure changes nothing. The test's
// name and time are never changed.
class TestInfoView {
  public:
    static constexpr const char* kNotStored = "This test is no longer stored.";
    static constexpr const char* kReadFailed = "The test information could not be read.";
    static constexpr const char* kSaveFailed =
        "The test information could not be saved; nothing was changed.";

    // additives: the window's additives grid (set up with additive_grid::setUp).
    TestInfoView(clsConnection& connection, Messenger& messenger, TextGrid& additives);

    // Reads the test with this name and key: its texts (the stored radius and length, whatever the bob
    // lookup says) and its additives into the grid. Nothing, after a message, when it cannot be read.
    std::optional<TestInfoTexts> load(const QString& testName, double testId);

    // Save: true when the texts may be saved. Refuses, with its message, an empty name and a bob
    // geometry that no bob can have.
    bool accept(const TestInfoTexts& texts);

    // Writes the texts (numbers by the leading-number rule) to the loaded test's row and replaces its
    // additives with the grid's rows, with a row in the record of changes for each change, all in one
    // transaction. A failure is shown and changes nothing.
    bool save(const TestInfoTexts& texts);

  private:
    clsConnection& connection_;
    Messenger& messenger_;
    TextGrid& additives_;
    clsTEST_INFO info_;  // positioned on the loaded test
    clsTEST_ADDITIVE additive_;
    QList<NewAdditive> storedAdditives_;  // as loaded, for the record of changes
    bool timeIsNull_ = false;
};

// The rows of the record of changes for an edit of a test: one per field whose value changes (its column
// name, old and new value as the boxes show them) and one for the additives when the list changes.
std::vector<store::audit::Entry> TestInfoChanges(
    clsTEST_INFO& stored, const TestInfoInput& edited, const QList<NewAdditive>& storedAdditives,
    const QList<NewAdditive>& editedAdditives,
    const store::audit::Actor& actor = store::audit::Actor::current());
