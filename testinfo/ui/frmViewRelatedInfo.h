#pragma once

#include "testinfo/TestInfoView.h"
#include "testinfo/ui/TestInfoDialogBase.h"

#include <memory>

// The test information of the open test, editable: Save writes the boxes and the additives back (the
// test keeps its name and time), Return leaves the database as it was.
class frmViewRelatedInfo : public TestInfoDialogBase {
    Q_OBJECT
  public:
    // The caption the main window gives it.
    static const QString kCaption;

    frmViewRelatedInfo(clsConnection& connection, Messenger& messenger, QWidget* parent = nullptr);
    ~frmViewRelatedInfo() override;

    // Fills the boxes and the grid from the stored test; false (after a message) when it cannot be read.
    bool fill(const QString& testName, double testId);

  protected:
    // Save: checks, then writes in one transaction; a failure keeps the window open with the edits.
    bool okAllowed() override;

  public:
    // "History...": the record of changes of the test, in a window of its own.
    QPushButton* cmdHistory;
    void cmdHistory_Click();

  private:
    std::unique_ptr<TestInfoView> view_;
    clsConnection& connection_;
    Messenger& messenger_;
    QString testName_;
    double testId_ = 0;
};

// "Edit Test Info" of the main window for the open test (its name and TEST_ID): shows the view and saves
// when the operator says so. True when the stored test information changed - the main window then reads
// its kept TEST_INFO row and the additives again.
bool editTestInfo(QWidget* parent, clsConnection& connection, Messenger& messenger, const QString& testName,
                  double testId);
