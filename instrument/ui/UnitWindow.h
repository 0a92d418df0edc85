#pragma once

#include <QString>
#include <QWidget>

class Messenger;
class QCloseEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QTimer;
class UnitStatusBar;
class UnitWindowLogic;

// The window of one instrument unit, as the sequence-test (frmRealTime) and the simple-test window
// (frmSimpleTest) share it: the unit's name and state, the live readings, Exit, the four-panel status bar,
// the timer and its tick, and closing. Each window builds its own page around these controls and keeps its
// own logic, a UnitWindowLogic; this class only calls it and shows what it holds.
//
// Panel 2 of the status bar names a failed tick; a reading that could not be stored stays there, marked,
// until the operator clicks it.
class UnitWindow : public QWidget {
    Q_OBJECT

  public:
    ~UnitWindow() override;

    // The status-bar panel 1 to 4, or by its key "StartTime" / "ElapsedTime".
    QString panelText(int index) const;
    QString panelText(const QString& key) const;
    // What the window does, without the window.
    virtual UnitWindowLogic& logic() = 0;

    // Controls both windows have, by their given names.
    QLabel* lblInstName;
    QLabel* lblActiveFlag;
    QLineEdit* txtSampleTemp;
    QLineEdit* txtSpeed;
    QLineEdit* txtShearRate;
    QLineEdit* txtShearStress;
    QLineEdit* txtVisc;
    QLineEdit* txtPressure;
    QPushButton* cmdExit;
    UnitStatusBar* StatusBar1;
    QTimer* Timer1;

  public slots:
    void Timer1_Timer();
    // Closes the window unless the logic refuses (the refusal is shown).
    void cmdExit_Click();

  signals:
    // The window has unloaded: the host enables its "Add R7716 Unit n" item of this kind again.
    void Unloaded(int unit);

  protected:
    UnitWindow(Messenger& messenger, const QString& exitToolTip, QWidget* parent);

    // Shows what the logic holds: the shared boxes, the status bar, Exit and the timer's interval. A window
    // that shows more extends it.
    virtual void showUnit();
    // One tick of the window's logic (a sequence-test window's run engine drives its unit's ticks).
    virtual void tickLogic();
    // Called once as the window unloads, before its port closes.
    virtual void unloading() {}
    // Asked before the window closes (after any refusal); false keeps it open.
    virtual bool confirmClose() { return true; }

    // Lays the window out: its page (everything but the status bar) in a scroll area above the status bar.
    void setPage(QWidget* page);
    QScrollArea* scrollArea() const { return scroll_; }
    // The bath-temperature box, which the two windows name differently.
    void setBathTempBox(QLineEdit* box) { bathTempBox_ = box; }
    bool isUnloaded() const { return unloaded_; }

    void closeEvent(QCloseEvent* event) override;

    Messenger& messenger_;

  private:
    void panelClicked(int index);

    QLineEdit* bathTempBox_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    bool inTick_ = false;
    bool exitRequested_ = false;
    bool unloaded_ = false;
};
