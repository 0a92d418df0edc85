#pragma once

#include "store/clsTEST_ADDITIVE.h"
#include "store/clsTEST_INFO.h"
#include "testinfo/TestInfoForm.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class clsConnection;
class Messenger;
class TextGrid;

// What the test-information dialog (frmTestRelatedInfo) does, without the dialog: the list of stored
// tests, filling the fields from an earlier test (Get & Copy), and the checks of OK. The dialog writes
// nothing to the database; whoever starts the test stores what it hands back.
class TestInfoEntry {
  public:
    static constexpr const char* kDuplicateName = "Duplicate test name. Please input unique test name.";
    static constexpr const char* kEmptyName = "Please input a unique test name for valid input.";
    static constexpr const char* kCopyNotFound = "Your test sequence name is not found.  Please try again.";
    static constexpr const char* kListFailed = "The list of stored tests could not be read.";
    static constexpr const char* kCopyFailed = "The test to copy from could not be read.";
    static constexpr const char* kCopyTooMany =
        "That test has more than 20 additives; only the first 20 were copied.";

    // One row of the existing-tests list.
    struct StoredTest {
        QString name;
        QString time;  // the test time as the lists show it; empty when the test has none
        QString researcher;
    };

    // additives: the dialog's additives grid (set up with additive_grid::setUp).
    TestInfoEntry(clsConnection& connection, Messenger& messenger, TextGrid& additives);

    // Reads the stored tests, newest first. A failure is shown; the list is then empty and false returned.
    bool fillList();
    const QList<StoredTest>& existingTests() const { return existing_; }
    // The names of the pick list, in the order of the existing-tests list.
    QStringList pickNames() const;

    // Get & Copy: fills the fields (fluid, bob, rotor, radius, length, both pH, researcher, notes, in that
    // order, so the stored radius and length win over the bob lookup) and replaces every additive row with
    // those of the stored test named exactly `name`. The name and date stay. An empty name does nothing;
    // a name not listed (or no longer stored) shows the not-found message and changes nothing.
    void copyFrom(const QString& name, TestInfoTexts& texts);

    // OK: true when the dialog may close. Refuses, with its message, a name already used (whatever its
    // letter case), an empty name, and a bob geometry that no bob can have.
    bool accept(const TestInfoTexts& texts);

    // What the dialog hands back: the fields and the additive rows.
    TestInfoInput input(const TestInfoTexts& texts) const;

    // Why `name` cannot be a new test's name among `storedNames` (used, whatever the letter case; empty;
    // holding a control character such as a tab, a line break or ESC), or nothing. Names are not trimmed:
    // names that differ only in blanks are different names.
    static std::optional<QString> nameProblem(const QStringList& storedNames, const QString& name);
    // The names stored now, read afresh: for checking a name again just before its test row is stored
    // (another window may have stored it since the dialog opened). Failures come out as StoreError.
    static QStringList storedNames(clsConnection& connection);

  private:
    clsConnection& connection_;
    Messenger& messenger_;
    TextGrid& additives_;
    clsTEST_INFO info_;
    clsTEST_ADDITIVE additive_;
    QList<StoredTest> existing_;
};
