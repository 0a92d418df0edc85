#pragma once

#include <QLabel>
#include <QStatusBar>
#include <QString>

#include <array>

class QLineEdit;
class QWidget;

// Pieces the two unit windows share.
namespace unit_window {

// A display box: read-only, right-aligned, wide enough for the longest reading.
QLineEdit* readout(QWidget* parent, int width_chars = 9);

// Shows a text in a box, touching the box only when the text changes (a repaint per tick adds up over
// eight units).
void show(QLineEdit* box, const QString& text);

// Closes a unit window: the sub-window around it when it lives in the host, else the window itself. The
// window's own closeEvent decides whether it may close.
void closeWindow(QWidget* window);

}  // namespace unit_window

// The status bar of a unit window: four panels, reached by index (1 to 4) as the window's code always has,
// and the first and third also by their keys "StartTime" and "ElapsedTime". A click on a panel is
// announced.
class UnitStatusBar : public QStatusBar {
    Q_OBJECT
  public:
    static inline const QString kStartTimeKey = QStringLiteral("StartTime");
    static inline const QString kElapsedTimeKey = QStringLiteral("ElapsedTime");

    explicit UnitStatusBar(QWidget* parent = nullptr);

    // Panel 1 to 4; null for another index.
    QLabel* panel(int index) const;
    // The panel of a key; null for an unknown key.
    QLabel* panel(const QString& key) const;

    void setPanelText(int index, const QString& text);
    // A panel that must catch the eye (a failure waiting to be seen).
    void setPanelAlarm(int index, bool alarm);
    bool panelAlarm(int index) const;

  signals:
    // The operator clicked panel 1 to 4.
    void panelClicked(int index);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    static constexpr int kStretch[4] = {1, 2, 1, 3};
    static constexpr int kAlarmStretch = 12;

    std::array<QLabel*, 4> panels_{};
    std::array<bool, 4> alarms_{};
};
