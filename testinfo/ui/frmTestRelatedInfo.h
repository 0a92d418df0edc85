#pragma once

#include "testinfo/TestInfoEntry.h"
#include "testinfo/TestInfoInput.h"
#include "testinfo/ui/TestInfoDialogBase.h"

#include <memory>
#include <optional>

class QTableWidget;

// The test-information dialog shown before a test starts or data are retrieved: the operator types the
// new test's name and data, may fill them from an earlier test, and OK hands them back. It writes nothing
// to the database.
class frmTestRelatedInfo : public TestInfoDialogBase {
    Q_OBJECT
  public:
    // The caption its callers give it.
    static const QString kCaption;

    frmTestRelatedInfo(clsConnection& connection, Messenger& messenger, QWidget* parent = nullptr);
    ~frmTestRelatedInfo() override;

    // False when the stored tests could not be read (already shown): the name cannot be checked.
    bool listLoaded() const { return listLoaded_; }
    // What OK hands back: the boxes and the additive rows.
    TestInfoInput result();

    QLineEdit* txtCopyFrom;
    QPushButton* cmdCopy;
    QPushButton* cmdPick;
    QTableWidget* MSFlexGrid2;    // the stored tests
    QTableWidget* Grid_TestName;  // the pick list

    void FillList();
    void cmdCopy_Click();
    void cmdPick_Click();
    void Grid_TestName_Click(int row);

  protected:
    bool okAllowed() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Form_Load();

    Messenger& messenger_;
    std::unique_ptr<TestInfoEntry> entry_;
    bool listLoaded_ = false;
};

// Asks for a new test's data with the dialog, captioned for input, the bob box preset when a bob is given
// (the unit's bob). Nothing when the operator cancels or the stored tests cannot be read.
std::optional<TestInfoInput> askTestInfo(QWidget* parent, clsConnection& connection, Messenger& messenger,
                                         const std::optional<QString>& presetBob);

// The seam a unit window keeps: askTestInfo bound to its parent, connection and messenger.
TestInfoAsker testInfoDialog(QWidget* parent, clsConnection& connection, Messenger& messenger);
