#pragma once

#include "store/RunJournal.h"

#include "common/UnitSystem.h"
#include "instrument/RealTimeUnit.h"
#include "instrument/TestRunEngine.h"
#include "instrument/ui/UnitWindow.h"
#include "testinfo/TestInfoInput.h"

#include "sequence/ui/frmNameSeq.h"

#include <QList>
#include <QPointer>

#include <functional>
#include <memory>
#include <utility>

class Messenger;
class Settings;
class LiveGraph;
class QBoxLayout;
class ReadingWriter;
class QGroupBox;
class QGridLayout;
class QTableWidget;
class UnitPort;
class clsConnection;

// The sequence-test window of one instrument unit: shows the unit's live state, chooses a stored sequence
// and downloads it, sends the single commands, and runs a test with its live graph and results table. What
// it does lives in RealTimeUnit and its TestRunEngine; the window shows their texts after every tick and
// button.
class frmRealTime : public UnitWindow {
    Q_OBJECT

  public:
    static inline const QString kCloseWhileRunning = QStringLiteral(
        "A test is running on this unit. Stop recording and close the window?\n\nThe unit goes on with its "
        "sequence; its data can be retrieved later.");

    frmRealTime(std::unique_ptr<UnitPort> port, Messenger& messenger, Settings& settings,
                QWidget* parent = nullptr);
    ~frmRealTime() override;

    // Attaches the window's records to the main window's connection and makes its run engine, storing
    // readings into that database (on a server through the local spool while it cannot be reached);
    // called once, right after creation.
    void InitialInst(clsConnection& connection);
    // Where the run's readings go from now on (a spooling writer, say); only while no test runs.
    void setReadingWriter(std::unique_ptr<ReadingWriter> writer);
    // How Start and Retrieve ask for the test information (the test-information dialog unless told).
    void setTestInfoAsker(TestInfoAsker asker) { askTestInfo_ = std::move(asker); }
    // Opens the unit's port (the host does, once). Throws UnitPortError.
    void openPort(int portNumber);
    // Goes on with an interrupted run of the journal once the unit has answered (at most kResumeWaitTicks
    // ticks later; a unit still silent then is refused). A refusal is shown; the run stays interrupted.
    static constexpr int kResumeWaitTicks = 10;
    void resumeRun(const run_journal::Run& run);

    RealTimeUnit& unit() { return unit_; }
    RealTimeUnit& logic() override { return unit_; }
    // The run engine; null before InitialInst.
    TestRunEngine* engine() const { return engine_.get(); }
    // The open sequence-name dialog, while there is one.
    frmNameSeq* nameDialog() const { return nameDialog_; }

    // The unit's bob, preset into the test information.
    QString mlBobStr;

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
    LiveGraph* CWGraph1;
    // Times the waits of a sequence download or a data retrieval while Timer1 is stopped (single shot).
    QTimer* exchangeTimer;

  public slots:
    void cmdSelect_Click();
    void cmdSend_Click();
    void cmdRetrieve_Click();
    // The wait of the running exchange is over: its next step.
    void exchangeStep();
    void cmdStart_Stop_Click();
    void cmdStop_Click();
    void cmdRefresh_Click();
    void cmdZero_Click();
    void cmdPreheat_Click();
    void cmdRaiseBath_Click();
    void cmdDropBath_Click();
    void cmdJog_Click();

  protected:
    void showUnit() override;
    void tickLogic() override;
    void unloading() override;
    bool confirmClose() override;
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
    // Brings the graph and the results table up to the readings stored so far.
    void showResults();
    void showResultRow(int ramp);

    Settings& settings_;
    RealTimeUnit unit_;
    std::unique_ptr<ReadingWriter> writer_;
    std::unique_ptr<TestRunEngine> engine_;
    TestInfoAsker askTestInfo_;
    // What the graph and table show: the readings drawn and the unit system of the table.
    std::size_t readingsShown_ = 0;
    UnitSystem tableUnitSystem_ = UnitSystem::CGS;
    QPointer<frmNameSeq> nameDialog_;
    clsConnection* connection_ = nullptr;
    bool pollingBeforeExchange_ = false;
    std::optional<run_journal::Run> pendingResume_;
    int resumeWaited_ = 0;
    QList<std::pair<QPushButton*, bool>> heldButtons_;
    QBoxLayout* middle_ = nullptr;
    QGroupBox* readings_ = nullptr;
    QGridLayout* buttons_ = nullptr;
};
