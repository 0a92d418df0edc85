#pragma once

#include "testinfo/TestInfoForm.h"

#include <QDialog>
#include <QString>

class CellEditor;
class FlexGrid;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

// What the two test-information windows share: the boxes with their labels, the additives grid with its
// in-cell editor, the bob lookup on every change of the bob box, and the two buttons. Closing the window
// by its frame (or Escape) counts as the second button (Cancel, Return).
class TestInfoDialogBase : public QDialog {
    Q_OBJECT
  public:
    static const QString kDesignCaption;

    // The boxes as they stand (an open cell edit committed first).
    TestInfoTexts texts();
    // Fills the boxes in the order fluid, bob, rotor, radius, length, pH, researcher, notes (name and date
    // too), so that the bob lookup runs before the radius and length given are written.
    void showTexts(const TestInfoTexts& texts);

    // True after the second button or a close; false after the first button succeeded.
    bool mlCanceled = true;

    QLineEdit* txtTestName;
    QLineEdit* txtTestDate;
    QLineEdit* txtFluidId;
    QLineEdit* txtResearchName;
    QLineEdit* txtRotoNo;
    QLineEdit* txtBobNo;
    QLineEdit* txtBobRadius;
    QLineEdit* txtBobLength;
    QLineEdit* txtPreTestPH;
    QLineEdit* txtPostTestPH;
    QLineEdit* txtSAFETY;
    FlexGrid* MSFlexGrid1;
    CellEditor* txtOverlap;  // in-cell editor of MSFlexGrid1
    QPushButton* cmdok;
    QPushButton* cmdCancel;

    void cmdok_Click();
    void cmdCancel_Click();
    void txtBobNo_Change();
    void MSFlexGrid1_Click(int row, int col);
    void txtOverlap_LostFocus();
    // Writes an open cell edit into its cell and hides the editor.
    void commitCellEdit();
    // Cancel, Return, Escape and the window's frame.
    void reject() override;

  protected:
    TestInfoDialogBase(TestInfoTexts::BobLookup lookup, const QString& okCaption,
                       const QString& cancelCaption, QWidget* parent);

    // Where a window adds controls of its own: below the notes, above the buttons.
    QVBoxLayout* extraArea() const { return extra_; }
    // The first button's work; the window closes with mlCanceled false when it returns true.
    virtual bool okAllowed() = 0;

  private:
    QLineEdit* box(const QString& name, const QString& label, int row, QGridLayout* layout);

    TestInfoTexts::BobLookup lookup_;
    QVBoxLayout* extra_;
};
