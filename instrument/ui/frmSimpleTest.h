#pragma once

#include "instrument/SimpleTestLogic.h"

#include <QSize>
#include <QWidget>

#include <memory>

class Messenger;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class UnitPort;
class UnitStatusBar;

// The simple-test window of one instrument unit: the operator picks the bob, types a temperature and a
// motor speed, starts and stops the unit by hand and watches its live values. Nothing is stored. What it
// does lives in SimpleTestLogic.
class frmSimpleTest : public QWidget {
    Q_OBJECT

  public:
    static inline const QString kCaption = QStringLiteral("R7716 Rheometer Real Time Simple Test");

    frmSimpleTest(std::unique_ptr<UnitPort> port, Messenger& messenger, QWidget* parent = nullptr);
    ~frmSimpleTest() override;
    // The size at which every box, unit and button shows whole (the scroll area alone would ask for little).
    QSize sizeHint() const override;

    // Opens the unit's port (the host does, once). Throws UnitPortError.
    void openPort(int portNumber);
    SimpleTestLogic& logic() { return logic_; }
    QString panelText(int index) const;

    // Controls, by their given names.
    QLabel* lblInstName;
    QLabel* lblActiveFlag;
    QComboBox* cmbBobNo;
    QLineEdit* txtTempSetPoint;
    QLineEdit* txtSpeedSet;
    QLineEdit* txtSampleTemp;
    QLineEdit* txtbathtemp;
    QLineEdit* txtSpeed;
    QLineEdit* txtShearRate;
    QLineEdit* txtShearStress;
    QLineEdit* txtVisc;
    QLineEdit* txtPressure;
    QPushButton* cmdStart;
    QPushButton* cmdStop;
    QPushButton* cmdExit;
    UnitStatusBar* StatusBar1;
    QTimer* Timer1;

  public slots:
    void Timer1_Timer();
    void cmdStart_Click();
    void cmdStop_Click();
    void cmdExit_Click();
    void cmbBobNo_Click();

  signals:
    // The window has unloaded: the host enables its "Add R7716 Unit n" item under "Simple Test" again.
    void Unloaded(int unit);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QWidget* page_ = nullptr;
    void Form_Load();
    void createControls();
    void showUnit();

    Messenger& messenger_;
    SimpleTestLogic logic_;
    bool inTick_ = false;
    bool exitRequested_ = false;
    bool unloaded_ = false;
};
