#pragma once

#include "instrument/RealTimeUnit.h"

#include "sequence/ui/frmNameSeq.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class Messenger;
class Settings;
class QBoxLayout;
class QChartView;
class QGroupBox;
class QGridLayout;
class QScrollArea;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTimer;
class UnitPort;
class UnitStatusBar;
class clsConnection;

// The sequence-test window of one instrument unit: shows the unit's live state, chooses a stored sequence
// and downloads it, and sends the single commands. What it does lives in RealTimeUnit; the window shows
// its texts after every tick and button.
class frmRealTime : public QWidget {
    Q_OBJECT

  public:
    frmRealTime(std::unique_ptr<UnitPort> port, Messenger& messenger, Settings& settings,
                QWidget* parent = nullptr);
    ~frmRealTime() override;

    // Attaches the window's records to the main window's connection; called once, right after creation.
    void InitialInst(clsConnection& connection);
    // Opens the unit's port (the host does, once). Throws UnitPortError.
    void openPort(int portNumber);

    RealTimeUnit& unit() { return unit_; }
    // The status-bar panel 1 to 4, or by its key "StartTime" / "ElapsedTime".
    QString panelText(int index) const;
    QString panelText(const QString& key) const;
    // The open sequence-name dialog, while there is one.
    frmNameSeq* nameDialog() const { return nameDialog_; }

    // The unit's bob, preset into the test information.
    QString mlBobStr;

    // Controls, by their given names.
    QLabel* lblInstName;
    QLabel* lblActiveFlag;
    QLabel* lblSelectSeq;
    QLabel* lblTestName;
    QLineEdit* txtSampleTemp;
    QLineEdit* txtBathTemp;
    QLineEdit* txtTempSetPoint;
    QLineEdit* txtSpeed;
    QLineEdit* txtShearRate;
    QLineEdit* txtShearStress;
    QLineEdit* txtVisc;
    QLineEdit* txtPressure;
    QLineEdit* txtPreheatTemp;
    QPushButton* cmdSelect;
    QPushButton* cmdRefresh;
    QPushButton* cmdStart_Stop;
    QPushButton* cmdStop;
    QPushButton* cmdSend;
    QPushButton* cmdRetrieve;
    QPushButton* cmdZero;
    QPushButton* cmdPreheat;
    QPushButton* cmdRaiseBath;
    QPushButton* cmdDropBath;
    QPushButton* cmdJog;
    QPushButton* cmdExit;
    QTableWidget* MSFlexGrid1;
    QChartView* CWGraph1;
    UnitStatusBar* StatusBar1;
    QTimer* Timer1;

  public slots:
    void Timer1_Timer();
    void cmdSelect_Click();
    void cmdSend_Click();
    void cmdStop_Click();
    void cmdZero_Click();
    void cmdPreheat_Click();
    void cmdRaiseBath_Click();
    void cmdDropBath_Click();
    void cmdJog_Click();
    void cmdExit_Click();

  signals:
    // The window has unloaded: the host enables its "Add R7716 Unit n" item again.
    void Unloaded(int unit);

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void createControls();
    void SelectedTestName();
    void resetResults();
    void showUnit();

    Messenger& messenger_;
    Settings& settings_;
    RealTimeUnit unit_;
    QPointer<frmNameSeq> nameDialog_;
    QScrollArea* scroll_ = nullptr;
    QBoxLayout* middle_ = nullptr;
    QGroupBox* readings_ = nullptr;
    QGridLayout* buttons_ = nullptr;
    bool inTick_ = false;
    bool unloaded_ = false;
};
