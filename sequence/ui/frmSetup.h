#pragma once

#include "sequence/SequenceEditor.h"

#include <QWidget>
#include <array>
#include <memory>

class CellEditor;
class clsConnection;
class FlexGrid;
class Messenger;
class SequenceStore;
class QButtonGroup;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTabBar;
class Settings;

// "R7716 Setup": lists, creates, copies, edits, saves and deletes test sequences, and sets the hardware
// settings of "initial.txt".
//
// The ports and the unit system come from the program's settings object; choosing a unit-system option
// changes the setting at once, so every other window sees the change without the file being saved.
//
// The window is shown modeless. It emits closed() when it has closed in any way (after Return, or the
// title bar's close box, both asking first when the sequence on display has unsaved changes).
class frmSetup : public QWidget {
    Q_OBJECT
  public:
    static const QString kCaption;

    frmSetup(clsConnection& connection, Messenger& messenger, Settings& settings, QWidget* parent = nullptr);
    ~frmSetup() override;

    SequenceEditor& editor() { return *editor_; }
    // Replaces the modal insert-step dialog (tests answer it without a display).
    void setInsertStepDialog(InsertStepDialog dialog);

    // The settings fields as typed, and showing them.
    SettingsTexts settingsTexts() const;
    void showSettings(const SettingsTexts& texts);
    // The sequence name selected in the list; empty when none is.
    QString selectedName() const;

    // Tab strip and its two frames.
    QTabBar* TabStrip1;
    QFrame* frameSequence;
    QFrame* frameHardware;

    // "Test Sequence Setup".
    QLineEdit* txtSeqName;
    QListWidget* lstSeqName;
    QPushButton* cmdNew;
    QPushButton* cmdDelete;
    QPushButton* cmdSaveas;
    QPushButton* cmdSaveChange;
    QPushButton* cmdReturn;
    FlexGrid* MSFlexGrid1;
    QPushButton* cmdInsertStep;
    QPushButton* cmdDeleteStep;
    QPushButton* cmdBuilder;
    QGroupBox* frameRamp;
    QLineEdit* txtTotalSteps;
    QLineEdit* txtStepTime;
    QLineEdit* txtTemp;
    QLineEdit* txtTempError;
    QLineEdit* txtShearrate;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    QLineEdit* txtTimeBefRead;
    QComboBox* cmbSampleRate;
    QLineEdit* txtNoSampleAve;
    QLineEdit* txtSampleInterval;
    FlexGrid* MSFlexGrid3;
    QLineEdit* txtShutDownATime;
    QLineEdit* txtShutDownVisc;
    CellEditor* txtOverlap2;  // in-cell editor of MSFlexGrid1
    CellEditor* txtOverlap;   // in-cell editor of MSFlexGrid3

    // "Hardware && Misc Setup".
    std::array<QComboBox*, 8> cmbUnit{};
    QRadioButton* optCGS;
    QRadioButton* OptEI;
    QRadioButton* OptSI;
    QRadioButton* radBfc;
    QRadioButton* radBfl;
    QRadioButton* radSpline;
    QRadioButton* radLinear;
    QPushButton* cmdSave;
    QPushButton* cmdReturn2;

    // Handlers.
    void lstSeqName_Click();
    void txtSeqName_Change();
    void cmdNew_Click();
    void cmdSaveas_Click();
    void cmdSaveChange_Click();
    void cmdDelete_Click();
    void cmdInsertStep_Click();
    void cmdDeleteStep_Click();
    void cmdBuilder_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void MSFlexGrid1_Click(int row, int col);
    void MSFlexGrid3_Click(int row, int col);
    void txtOverlap2_LostFocus();
    void txtOverlap_LostFocus();
    void txtOverlap_Enter();
    void TabStrip1_Click();
    void cmdSave_Click();
    void cmdReturn_Click();
    void cmdReturn2_Click();
    void unitOption_Click(int option);

    // Refills the name list from the database and selects (loads) the first name.
    void fillSequenceList();

  signals:
    void closed();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildSequenceTab();
    void buildHardwareTab();
    void Form_Load();
    void readInitialSettings();
    void checkUnitOption();
    void openCellEditor(FlexGrid* grid, CellEditor* editor, int row, int col);
    void commitCellEditors();

    clsConnection& connection_;
    Messenger& messenger_;
    Settings& settings_;
    std::unique_ptr<SequenceStore> store_;
    std::unique_ptr<SequenceEditor> editor_;
    QButtonGroup* unitGroup_ = nullptr;
    int visibleTab_ = 0;
    bool leaving_ = false;  // Return has already asked
};
