#pragma once

#include "common/DiagnosticLog.h"
#include "instrument/RealTimeHost.h"
#include "link/UnitPortFactory.h"

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QSet>

#include <array>
#include <functional>

class EventSink;
class Messenger;
class Settings;
class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class clsConnection;
class UnitWindow;
class frmRealTime;
class frmSimpleTest;

// "R7716 Real Time Test & Monitoring": holds the windows of up to eight instrument units side by side. Its
// menus add unit n as a sequence test (frmRealTime) or as a simple test (frmSimpleTest); the add items of
// a unit are enabled when "initial.txt" gives it a port. Ports come from a factory, serial ports unless told
// otherwise.
class frmMDIRealTime : public QMainWindow {
    Q_OBJECT

  public:
    static inline const QString kNoPortForResume = QStringLiteral(
        "%1 has no serial port in \"initial.txt\", so the run of \"%2\" cannot be resumed here.");
    // Unit windows are kept by unit number; indexes 0 to 10 are allowed, 1 to 8 used.
    static constexpr int kWindowSlots = 11;

    frmMDIRealTime(clsConnection& connection, Messenger& messenger, Settings& settings,
                   QWidget* parent = nullptr);
    ~frmMDIRealTime() override;

    void setPortFactory(UnitPortFactory factory) { portFactory_ = std::move(factory); }
    // What ends the program when a unit's port object cannot be made at all (the application's exit by
    // default).
    void setEndProgram(std::function<void()> endProgram) { endProgram_ = std::move(endProgram); }
    // Where the runs of the unit windows opened from now on raise their events (none until told).
    void setEventSink(EventSink* sink) { events_ = sink; }

    // The open unit windows by unit number (null where none is open).
    frmRealTime* realTimeWindow(int unit) const;
    frmSimpleTest* simpleTestWindow(int unit) const;
    // The units whose windows are recording a test, in unit order.
    QList<int> unitsRecording() const;
    // Stops recording on every unit window that runs a test, as closing it with Yes does: what is stored
    // stays, and the units go on with their sequences.
    void stopRecordingAll();
    // Asks about every interrupted run of this station ("Unit 1 was recording ... Resume recording?"): Yes
    // opens that unit's window, which resumes the run once the unit answers; No ends the run as it is. The
    // host asks when it opens; runs it was asked about are not asked again while it is open.
    void offerInterruptedRuns();

    QMdiArea* mdiArea;
    QMenu* MenuAddInstrument;
    std::array<QAction*, RealTimeHost::kUnitCount + 1> MenuAdd{};  // items 1 ... 8
    QMenu* MenuAddSimpleTest;
    std::array<QAction*, RealTimeHost::kUnitCount + 1> MenuAddSimple{};  // items 1 ... 8
    QMenu* MenuWindow;
    QAction* MenuWindowHorizontal;
    QAction* MenuWindowVertically;
    QAction* MenuWindowCascade;
    QAction* MenuExit;

  public slots:
    void MenuAdd_Click(int index);
    void MenuAddSimple_Click(int index);
    void MenuWindowHorizontal_Click();
    void MenuWindowVertically_Click();
    void MenuWindowCascade_Click();
    void MenuExit_Click();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QSet<qint64> offered_;
    // The two kinds of unit window, each with its own add items and window slots.
    enum class UnitKind { SequenceTest, SimpleTest };
    using AddItems = std::array<QAction*, RealTimeHost::kUnitCount + 1>;
    using WindowSlots = std::array<QPointer<UnitWindow>, kWindowSlots>;

    // The one way a unit window is added: MenuAdd_Click and MenuAddSimple_Click differ only in the kind.
    void addUnit(UnitKind kind, int index);
    AddItems& addItems(UnitKind kind) { return kind == UnitKind::SimpleTest ? MenuAddSimple : MenuAdd; }
    void MDIForm_Load();
    void createMenus();
    void showAddError(const RealTimeHost::AddError& error);
    // The port object of a new unit window; null (after the program-ending message) when none can be made.
    std::unique_ptr<UnitPort> makePort(int unit, int portNumber);
    // The diagnostic log beside the database, as the unit windows write it.
    DiagnosticLog diagnosticLog() const;
    void tile(Qt::Orientation orientation);

    clsConnection& connection_;
    Messenger& messenger_;
    Settings& settings_;
    UnitPortFactory portFactory_ = serialUnitPortFactory();
    std::function<void()> endProgram_;
    EventSink* events_ = nullptr;
    WindowSlots realTimeWindows_;
    WindowSlots simpleTestWindows_;
};
