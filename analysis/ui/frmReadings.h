#pragma once

#include "analysis/OpenTestSession.h"
#include "analysis/ReadingsTable.h"

#include <QDialog>

#include <memory>

class Messenger;
class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;
class ReadingsModel;

// "Readings of the Open Test": every reading of the open test with its key, to pick readings (several at
// once) and leave them out of the fits with a reason, or take them back in. Each change is stored at once
// and the ramps fitted again; the main window hears of it and draws the new fits and the marks.
class frmReadings : public QDialog {
    Q_OBJECT
  public:
    static constexpr const char* kCaption = "Readings of the Open Test";
    static constexpr const char* kReasonPrompt = "Why are the %1 selected readings left out of the fits?";
    static constexpr const char* kReasonTitle = "Exclude Readings";
    static constexpr const char* kNothingSelected = "Select the readings first (click, Shift or Ctrl+click).";

    frmReadings(OpenTestSession& session, Messenger& messenger, QWidget* parent = nullptr);
    ~frmReadings() override;

    QTableView* grdReadings;
    QCheckBox* chkRampOnly;
    QPushButton* cmdExclude;
    QPushButton* cmdInclude;
    QPushButton* cmdClose;
    QLabel* lblCount;

    // The readings of the rows selected (by TEST_RESULT_ID).
    QList<double> SelectedKeys() const;
    // Selects the rows of these readings (for a caller or a test that picks them by key).
    void SelectKeys(const QList<double>& keys);

    void cmdExclude_Click();
    void cmdInclude_Click();
    // The open test changed (a refit): the rows are read again.
    void Refresh();

  signals:
    // A change was stored: the main window draws what the session now holds.
    void changed(const OpenTestSession::Change& change);

  private:
    OpenTestSession& session_;
    Messenger& messenger_;
    ReadingsModel* model_;
};
