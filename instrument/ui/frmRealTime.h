#pragma once

#include "instrument/RealTimeUnit.h"
#include "instrument/ui/UnitWindow.h"

#include "sequence/ui/frmNameSeq.h"
#include "testinfo/TestInfoInput.h"

#include <QList>
#include <QPointer>

#include <functional>
#include <memory>
#include <utility>

class Messenger;
class Settings;
class QBoxLayout;
class QChartView;
class QGroupBox;
class QGridLayout;
class QTableWidget;
class UnitPort;
class clsConnection;

// The sequence-test window of one instrument unit: shows the unit's live state, chooses a stored sequence
// and downloads it, and sends the single commands. What it does lives in RealTimeUnit; the window shows
// its texts after every tick and button.
class frmRealTime : public UnitWindow {
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
    RealTimeUnit& logic() override { return unit_; }
    // The open sequence-name dialog, while there is one.
    frmNameSeq* nameDialog() const { return nameDialog_; }

    // The unit's bob, preset into the test information.
    QString mlBobStr;
    // How the window asks for a new test's data: the test-information dialog, set by InitialInst.
    void setTestInfoAsker(TestInfoAsker ask) { askTestInfo_ = std::move(ask); }

    // Controls of this window, by their given names (the shared ones are UnitWindow's).
    QLabel* lblSelectSeq;
    QLabel* lblTestName;
    QLineEdit* txtBathTemp;
    QLineEdit* txtTempSetPoint;
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
    QTableWidget* MSFlexGrid1;
    QChartView* CWGraph1;
    // Times the waits of a sequence download or a data retrieval while Timer1 is stopped (single shot).
    QTimer* exchangeTimer;

  public slots:
    void cmdSelect_Click();
    void cmdSend_Click();
    void cmdRetrieve_Click();
    // The wait of the running exchange is over: its next step.
    void exchangeStep();
    void cmdStop_Click();
    void cmdZero_Click();
    void cmdPreheat_Click();
    void cmdRaiseBath_Click();
    void cmdDropBath_Click();
    void cmdJog_Click();

  protected:
    void showUnit() override;
    void unloading() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void createControls();
    void SelectedTestName();
    void resetResults();
    void beginExchange(const std::function<UnitExchange::Next()>& start);
    void waitForExchange(double seconds);
    void endExchange();
    // While an exchange runs, the buttons that would send to the unit, start a test or close the window
    // are disabled; afterwards each gets back the state it had.
    void holdButtons();
    void releaseButtons();
    void showRetrievedTest(const RetrievalResult& result);

    Settings& settings_;
    RealTimeUnit unit_;
    QPointer<frmNameSeq> nameDialog_;
    TestInfoAsker askTestInfo_;
    clsConnection* connection_ = nullptr;
    bool pollingBeforeExchange_ = false;
    QList<std::pair<QPushButton*, bool>> heldButtons_;
    QBoxLayout* middle_ = nullptr;
    QGroupBox* readings_ = nullptr;
    QGridLayout* buttons_ = nullptr;
};
