#pragma once

#include "calibration/TorqueCalibration.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class Messenger;
class QChartView;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QLineSeries;
class QPushButton;
class QStatusBar;
class QTabBar;
class QTimer;
class QValueAxis;
class Settings;

// The torque calibration window: the operator chooses the unit and the bob, types the calibration fluid's
// viscosity, starts the calibration and watches the unit's points arrive on the plot; at the unit's end the
// line is fitted and sent back. The second tab starts the unit's pressure-effect calibration. What it does
// lives in TorqueCalibration; the window shows it.
class frmCalibrateTorque : public QWidget {
    Q_OBJECT

  public:
    static inline const QString kCaption = QStringLiteral("Calibration");

    // ports makes the unit's port (serial ports in the program, simulated units in tests).
    frmCalibrateTorque(Settings& settings, Messenger& messenger, UnitPortFactory ports,
                       QWidget* parent = nullptr);
    ~frmCalibrateTorque() override;

    // What the main window's cmdCalibrate does: shows the window kept in `kept`, or makes a new one on the
    // serial ports (modeless, deleted when closed) and keeps it there.
    static frmCalibrateTorque* showWindow(QPointer<frmCalibrateTorque>& kept, Settings& settings,
                                          Messenger& messenger, QWidget* parent);

    TorqueCalibration& calibration() { return calibration_; }
    // The save dialog of Export: the chosen file, nothing when cancelled. Tests answer it.
    void setSaveFileDialog(std::function<std::optional<QString>()> dialog) {
        saveDialog_ = std::move(dialog);
    }
    QString panelText(int index) const;
    int currentTab() const { return currentTab_; }

    // Controls, by their given names.
    QComboBox* cmbInstName;
    QComboBox* cmbBobNo;
    QLineEdit* txtVisc;
    QLineEdit* txtChange;
    QPushButton* cmdStart;
    QPushButton* cmdExport;
    QPushButton* cmdReturn;
    QPushButton* Command1;
    QChartView* CWGraph1;
    QStatusBar* StatusBar1;
    QTabBar* TabStrip1;
    std::array<QFrame*, 2> Frame1{};
    QTimer* Timer1;

  public slots:
    void cmbInstName_Click();
    void cmdStart_Click();
    void Timer1_Timer();
    void Command1_Click();
    void cmdExport_Click();
    void cmdReturn_Click();
    void TabStrip1_Click();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Form_Load();
    void createControls();
    QWidget* createTorqueTab();
    QWidget* createPressureTab();
    void fillUnitList();
    void plot();
    void showState();
    void setPanel(int index, const QString& text);
    std::optional<QString> askReportFile();

    Settings& settings_;
    Messenger& messenger_;
    TorqueCalibration calibration_;
    QList<TorqueCalibration::UnitEntry> entries_;
    std::function<std::optional<QString>()> saveDialog_;
    QLineSeries* points_ = nullptr;
    QLineSeries* fit_ = nullptr;
    QValueAxis* xAxis_ = nullptr;
    QValueAxis* yAxis_ = nullptr;
    std::array<QLabel*, 3> panels_{};
    int currentTab_ = 1;
    bool inTick_ = false;
};
