#pragma once

#include "instrument/SimpleTestLogic.h"
#include "instrument/ui/UnitWindow.h"

#include <QSize>

#include <memory>

class Messenger;
class QComboBox;
class QLineEdit;
class QPushButton;
class UnitPort;

// The simple-test window of one instrument unit: the operator picks the bob, types a temperature and a
// motor speed, starts and stops the unit by hand and watches its live values. Nothing is stored. What it
// does lives in SimpleTestLogic.
class frmSimpleTest : public UnitWindow {
    Q_OBJECT

  public:
    static inline const QString kCaption = QStringLiteral("R7716 Rheometer Real Time Simple Test");

    frmSimpleTest(std::unique_ptr<UnitPort> port, Messenger& messenger, QWidget* parent = nullptr);
    ~frmSimpleTest() override;
    // The size at which every box, unit and button shows whole (the scroll area alone would ask for little).
    QSize sizeHint() const override;

    // Opens the unit's port (the host does, once). Throws UnitPortError.
    void openPort(int portNumber);
    SimpleTestLogic& logic() override { return logic_; }

    // Controls of this window, by their given names (the shared ones are UnitWindow's).
    QComboBox* cmbBobNo;
    QLineEdit* txtTempSetPoint;
    QLineEdit* txtSpeedSet;
    QLineEdit* txtbathtemp;
    QPushButton* cmdStart;
    QPushButton* cmdStop;

  public slots:
    void cmdStart_Click();
    void cmdStop_Click();
    void cmbBobNo_Click();

  private:
    void Form_Load();
    void createControls();

    SimpleTestLogic logic_;
    QWidget* page_ = nullptr;
};
