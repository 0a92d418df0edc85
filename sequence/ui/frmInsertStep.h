#pragma once

#include "sequence/SequenceEditor.h"

#include <QDialog>

class Messenger;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Insert Step": collects one new temperature step for the setup window's step grid and whether it goes
// before or after the current step. The caller reads the public results after the dialog closes; closing
// it any other way than OK counts as Cancel.
class frmInsertStep : public QDialog {
    Q_OBJECT
  public:
    frmInsertStep(Messenger& messenger, const InsertStepRequest& request, QWidget* parent = nullptr);

    // Opens the dialog modally and returns its results: the setup window's insert-step seam.
    static InsertStepAnswer ask(Messenger& messenger, const InsertStepRequest& request, QWidget* parent);

    InsertStepAnswer answer() const;

    // Results.
    double time = 0;
    double Temp = 0;
    double ShearRate = 0;
    double TempError = 0;
    bool Before = true;
    bool CancelInp = false;

    // Controls.
    QLabel* lblHeading;
    QLineEdit* txtStepNo;
    QComboBox* cmbBeforeAfter;
    QLineEdit* txtTime;
    QLabel* lblTemp;
    QLineEdit* txtTemp;
    QLineEdit* txtTempError;
    QLineEdit* txtShearrate;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

    void cmdOk_Click();
    void cmdCancel_Click();
    void txtShearrate_LostFocus();

  public slots:
    void reject() override;

  private:
    void Form_Load(const InsertStepRequest& request);

    Messenger& messenger_;
    UnitSystem unitSystem_;
    bool checking_ = false;  // a message box of a check is up (it takes the focus away again)
};
