#include "calibration/ui/frmCalibrateTorque.h"

#include "calibration/CalibrationReport.h"
#include "common/AxisRange.h"
#include "common/Messenger.h"
#include "common/Settings.h"
#include "common/VbFormat.h"

#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

const QString kTorqueTab = QStringLiteral("Torque Calibration");
const QString kPressureTab = QStringLiteral("Pressure Effect Calibration");
const QString kPressureNote = QStringLiteral(
    "Please first click above button when R8830 viscometer is not pressurized (0 psi).  Then apply about "
    "400psi "
    "(according to R8830 Lcd display) pressure to it.  Leave pressure unchanged for another 5 minutes till "
    "shear "
    "stress display starts to update again on LCD.  This calibration is finished automatically by then. Then "
    "depressurize it.");

QLabel* label(const QString& text, QWidget* parent) {
    return new QLabel(text, parent);
}

// An axis range around the values with a little room, from 0 when no value is negative; never empty.
std::pair<double, double> rangeOf(const QList<double>& values) {
    if (values.isEmpty()) return {0.0, 1.0};
    auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    double low = *lo, high = *hi;
    const double room = high > low ? (high - low) * 0.05 : std::max(std::abs(high) * 0.05, 0.05);
    return {low >= 0 ? 0.0 : low - room, high + room};
}

// At most five intervals of round ticks over the range.
void scale(QValueAxis* axis, std::pair<double, double> range) {
    constexpr int kMaxIntervals = 5;
    const AxisRange nice = NiceRange(range.first, range.second, kMaxIntervals);
    axis->setRange(nice.min, nice.max);
    axis->setTickCount(nice.tickCount);
    axis->setLabelFormat(QStringLiteral("%g"));
}

}  // namespace

frmCalibrateTorque::frmCalibrateTorque(Settings& settings, Messenger& messenger, UnitPortFactory ports,
                                       QWidget* parent)
    : QWidget(parent), settings_(settings), messenger_(messenger), calibration_(std::move(ports), messenger) {
    setWindowTitle(kCaption);
    createControls();
    Form_Load();
    connect(&settings_, &Settings::saved, this, [this] {
        if (!calibration_.calibrating()) fillUnitList();
    });
}

frmCalibrateTorque::~frmCalibrateTorque() = default;

frmCalibrateTorque* frmCalibrateTorque::showWindow(QPointer<frmCalibrateTorque>& kept, Settings& settings,
                                                   Messenger& messenger, QWidget* parent) {
    if (!kept) {
        kept = new frmCalibrateTorque(settings, messenger, serialUnitPortFactory(), parent);
        kept->setWindowFlag(Qt::Window);
        kept->setAttribute(Qt::WA_DeleteOnClose);
    }
    kept->show();
    kept->raise();
    kept->activateWindow();
    return kept;
}

QWidget* frmCalibrateTorque::createTorqueTab() {
    auto* frame = new QFrame(this);
    cmbInstName = new QComboBox(frame);
    cmbInstName->setToolTip(QStringLiteral("Select which unit to calibrate"));
    cmbBobNo = new QComboBox(frame);
    cmbBobNo->setEditable(true);
    for (const CalibrationBob& bob : kCalibrationBobs) cmbBobNo->addItem(QString::fromLatin1(bob.name));
    txtVisc = new QLineEdit(QStringLiteral("0"), frame);
    txtChange = new QLineEdit(frame);
    for (QLineEdit* box : {txtVisc, txtChange}) {
        box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("000000000")) + 16);
    }
    cmdStart = new QPushButton(QStringLiteral("&Start"), frame);
    cmdStart->setToolTip(QStringLiteral("Click to start calibration"));
    cmdExport = new QPushButton(QStringLiteral("&Export"), frame);
    cmdExport->setToolTip(QStringLiteral("Click here to generate  report"));

    auto* form = new QGridLayout;
    int row = 0;
    form->addWidget(label(QStringLiteral("Please select which unit to calibrate:"), frame), row, 0, 1, 2);
    form->addWidget(cmbInstName, ++row, 0);
    form->addWidget(
        label(QStringLiteral("Please enter the current viscosity of the calibration fluid:"), frame), ++row,
        0, 1, 2);
    form->addWidget(txtVisc, ++row, 0);
    form->addWidget(label(QStringLiteral("(cP)"), frame), row, 1);
    form->addWidget(
        label(QStringLiteral("Please enter the change of viscosity when temperature increase 1 °C:"), frame),
        ++row, 0, 1, 2);
    form->addWidget(txtChange, ++row, 0);
    form->addWidget(label(QStringLiteral("(cP)"), frame), row, 1);
    form->addWidget(label(QStringLiteral("Bob is used:"), frame), ++row, 0, 1, 2);
    form->addWidget(cmbBobNo, ++row, 0);
    auto* note = label(QStringLiteral("NOTE: Please calibrate only with B5 bob."), frame);
    auto* lockNut = label(QStringLiteral("MAKE SURE LOCK NUT AT SHAFT BOTTOM IS SCREWED ON."), frame);
    QFont bold = lockNut->font();
    bold.setBold(true);
    note->setFont(bold);
    lockNut->setFont(bold);
    lockNut->setWordWrap(true);
    form->addWidget(note, ++row, 0, 1, 2);
    form->addWidget(lockNut, ++row, 0, 1, 2);
    form->setRowStretch(++row, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdStart);
    buttons->addWidget(cmdExport);
    buttons->addStretch(1);
    form->addLayout(buttons, ++row, 0, 1, 2);
    form->setColumnStretch(1, 1);

    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setMargins(QMargins(4, 4, 4, 4));
    xAxis_ = new QValueAxis(chart);
    xAxis_->setTitleText(QStringLiteral("Voltage (Vdc)"));
    yAxis_ = new QValueAxis(chart);
    yAxis_->setTitleText(QStringLiteral("Shear Stress (dyn/cm2)"));
    chart->addAxis(xAxis_, Qt::AlignBottom);
    chart->addAxis(yAxis_, Qt::AlignLeft);
    points_ = new QLineSeries(chart);
    points_->setPointsVisible(true);
    fit_ = new QLineSeries(chart);
    QPen dashed(Qt::darkRed);
    dashed.setStyle(Qt::DashLine);
    fit_->setPen(dashed);
    for (QLineSeries* series : {points_, fit_}) {
        chart->addSeries(series);
        series->attachAxis(xAxis_);
        series->attachAxis(yAxis_);
    }
    CWGraph1 = new QChartView(chart, frame);
    CWGraph1->setRenderHint(QPainter::Antialiasing);
    CWGraph1->setMinimumSize(420, 320);

    auto* layout = new QHBoxLayout(frame);
    layout->addLayout(form, 0);
    layout->addWidget(CWGraph1, 1);
    return frame;
}

QWidget* frmCalibrateTorque::createPressureTab() {
    auto* frame = new QFrame(this);
    Command1 = new QPushButton(QStringLiteral("Start Automatic Pressure Effect Calibration"), frame);
    auto* notes = label(QStringLiteral("Notes:"), frame);
    auto* recommended =
        label(QStringLiteral("This calibration is  recommended after all torque calibration."), frame);
    auto* steps = label(kPressureNote, frame);
    steps->setWordWrap(true);
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(Command1, 0, Qt::AlignLeft);
    layout->addSpacing(12);
    layout->addWidget(notes);
    layout->addWidget(recommended);
    layout->addWidget(steps);
    layout->addStretch(1);
    return frame;
}

void frmCalibrateTorque::createControls() {
    TabStrip1 = new QTabBar(this);
    TabStrip1->addTab(kTorqueTab);
    TabStrip1->addTab(kPressureTab);
    TabStrip1->setExpanding(false);
    Frame1[0] = static_cast<QFrame*>(createTorqueTab());
    Frame1[1] = static_cast<QFrame*>(createPressureTab());
    for (QFrame* frame : Frame1) frame->setFrameShape(QFrame::StyledPanel);

    cmdReturn = new QPushButton(QStringLiteral("&Return"), this);
    cmdReturn->setToolTip(QStringLiteral("Click to return to main menu"));
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setSizeGripEnabled(false);
    for (std::size_t k = 0; k < panels_.size(); ++k) {
        panels_[k] = new QLabel(StatusBar1);
        panels_[k]->setFrameShape(QFrame::Panel);
        panels_[k]->setFrameShadow(QFrame::Sunken);
        StatusBar1->addWidget(panels_[k], k == 0 ? 0 : 1);
    }
    panels_[0]->setMinimumWidth(
        panels_[0]->fontMetrics().horizontalAdvance(QStringLiteral("Unit  8: 000 points")));
    Timer1 = new QTimer(this);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(cmdReturn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 0);
    layout->addWidget(TabStrip1);
    // Both frames in one place: the tab shows one and hides the other.
    auto* frames = new QGridLayout;
    frames->addWidget(Frame1[0], 0, 0);
    frames->addWidget(Frame1[1], 0, 0);
    layout->addLayout(frames, 1);
    layout->addLayout(bottom);
    layout->addWidget(StatusBar1);

    connect(cmbInstName, qOverload<int>(&QComboBox::activated), this, &frmCalibrateTorque::cmbInstName_Click);
    // Only the names of the list are bobs: typing puts the first one back.
    connect(cmbBobNo->lineEdit(), &QLineEdit::textEdited, this, [this] {
        cmbBobNo->setCurrentIndex(-1);
        cmbBobNo->setCurrentIndex(0);
    });
    connect(cmdStart, &QPushButton::clicked, this, &frmCalibrateTorque::cmdStart_Click);
    connect(cmdExport, &QPushButton::clicked, this, &frmCalibrateTorque::cmdExport_Click);
    connect(cmdReturn, &QPushButton::clicked, this, &frmCalibrateTorque::cmdReturn_Click);
    connect(Command1, &QPushButton::clicked, this, &frmCalibrateTorque::Command1_Click);
    connect(TabStrip1, &QTabBar::currentChanged, this, &frmCalibrateTorque::TabStrip1_Click);
    connect(Timer1, &QTimer::timeout, this, &frmCalibrateTorque::Timer1_Timer);
}

void frmCalibrateTorque::Form_Load() {
    fillUnitList();
    cmbBobNo->setCurrentIndex(0);
    Timer1->setInterval(TorqueCalibration::kTickInterval_ms);
    Timer1->stop();
    currentTab_ = 1;
    TabStrip1->setCurrentIndex(0);
    Frame1[0]->show();
    Frame1[1]->hide();
    showState();
}

void frmCalibrateTorque::fillUnitList() {
    entries_ = TorqueCalibration::unitEntries(settings_);
    const QString before = cmbInstName->currentText();
    cmbInstName->clear();
    for (const TorqueCalibration::UnitEntry& entry : entries_) cmbInstName->addItem(entry.text, entry.unit);
    const int keep = cmbInstName->findText(before);
    cmbInstName->setCurrentIndex(keep >= 0 ? keep : 0);
    if (entries_.isEmpty())
        setPanel(2, TorqueCalibration::kNoUnit.arg(QString::fromLatin1(InitialSettings::kFileName)));
    else
        cmbInstName_Click();
}

void frmCalibrateTorque::cmbInstName_Click() {
    const int index = cmbInstName->currentIndex();
    if (index < 0 || index >= entries_.size()) return;
    if (!calibration_.selectUnit(entries_[index])) {
        // The unit stays what it was.
        const int current = cmbInstName->findData(calibration_.unit() ? calibration_.unit()->unit : 0);
        if (current >= 0) cmbInstName->setCurrentIndex(current);
    }
    showState();
}

void frmCalibrateTorque::cmdStart_Click() {
    if (!calibration_.start(txtVisc->text(), cmbBobNo->currentIndex())) {
        showState();
        return;
    }
    setPanel(3, QString());
    plot();
    Timer1->start(TorqueCalibration::kTickInterval_ms);
    showState();
}

void frmCalibrateTorque::Timer1_Timer() {
    if (inTick_) return;
    inTick_ = true;
    const TorqueCalibration::TickReport report = calibration_.tick();
    if (!calibration_.calibrating()) Timer1->stop();
    if (report.newPoints > 0 || report.ended) plot();
    if (!report.failure.isEmpty()) setPanel(3, report.failure);
    showState();
    inTick_ = false;
}

void frmCalibrateTorque::Command1_Click() {
    calibration_.startPressureEffect();
    showState();
}

std::optional<QString> frmCalibrateTorque::askReportFile() {
    if (saveDialog_) return saveDialog_();
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setNameFilters({CalibrationReport::kAllFilesFilter, CalibrationReport::kTextFilesFilter});
    dialog.selectNameFilter(CalibrationReport::kTextFilesFilter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

void frmCalibrateTorque::cmdExport_Click() {
    const std::optional<QString> path = askReportFile();
    if (!path) {
        messenger_.info(CalibrationReport::kCancelText);
        return;
    }
    CalibrationReport::Inputs inputs;
    inputs.unitText = cmbInstName->currentText();
    inputs.bobText = cmbBobNo->currentText();
    inputs.viscText = txtVisc->text();
    inputs.changeText = txtChange->text();
    inputs.stresses = calibration_.stresses();
    inputs.voltages = calibration_.voltages();
    inputs.quality = calibration_.quality();
    inputs.when = QDateTime::currentDateTime();
    if (const QString problem = CalibrationReport::write(*path, inputs); !problem.isEmpty())
        messenger_.info(problem);
}

void frmCalibrateTorque::cmdReturn_Click() {
    if (calibration_.mayClose()) close();
}

void frmCalibrateTorque::closeEvent(QCloseEvent* event) {
    if (calibration_.calibrating() && !calibration_.mayClose()) {
        event->ignore();
        return;
    }
    Timer1->stop();
    calibration_.closePort();
    event->accept();
}

void frmCalibrateTorque::TabStrip1_Click() {
    const int selected = TabStrip1->currentIndex() + 1;
    if (selected == currentTab_ || selected < 1 || selected > 2) return;
    Frame1[static_cast<std::size_t>(selected - 1)]->show();
    Frame1[static_cast<std::size_t>(currentTab_ - 1)]->hide();
    currentTab_ = selected;
}

// One repaint for all points of a tick; the fitted line once the run has ended. A point out of range
// (a stress that overflowed as it was read) cannot be drawn and is left out of the plot.
void frmCalibrateTorque::plot() {
    const QList<double>& voltages = calibration_.voltages();
    const QList<double>& stresses = calibration_.stresses();
    QList<double> x, y;
    QList<QPointF> pts;
    for (qsizetype k = 0; k < voltages.size() && k < stresses.size(); ++k) {
        if (!CalibrationLine::usable(voltages[k]) || !CalibrationLine::usable(stresses[k])) continue;
        x.append(voltages[k]);
        y.append(stresses[k]);
        pts.append({voltages[k], stresses[k]});
    }
    points_->replace(pts);
    QList<QPointF> line;
    const std::optional<CalibrationLine>& fitted = calibration_.line();
    if (!calibration_.calibrating() && fitted && fitted->fitted() && !x.isEmpty()) {
        const auto [lo, hi] = std::minmax_element(x.begin(), x.end());
        line = {{*lo, fitted->c0 + fitted->c1 * *lo}, {*hi, fitted->c0 + fitted->c1 * *hi}};
    }
    fit_->replace(line);
    scale(xAxis_, rangeOf(x));
    scale(yAxis_, rangeOf(y));
}

void frmCalibrateTorque::showState() {
    const bool idle = !calibration_.calibrating();
    const bool haveUnit = calibration_.unit().has_value();
    cmdStart->setEnabled(idle && haveUnit);
    cmbInstName->setEnabled(idle);
    // The run's bob and viscosity stay as started, so that the report names what was sent.
    cmbBobNo->setEnabled(idle);
    txtVisc->setEnabled(idle);
    Command1->setEnabled(idle && haveUnit);
    if (!calibration_.statusText().isEmpty()) setPanel(2, calibration_.statusText());
    QString points;
    if (haveUnit)
        points = QStringLiteral("%1: %2 points")
                     .arg(calibration_.unit()->text,
                          vb::Format(calibration_.stresses().size(), QStringLiteral("0")));
    if (calibration_.skippedMessages() > 0)
        points += QStringLiteral(", %1 skipped")
                      .arg(vb::Format(calibration_.skippedMessages(), QStringLiteral("0")));
    setPanel(1, points);
}

void frmCalibrateTorque::setPanel(int index, const QString& text) {
    if (index >= 1 && index <= static_cast<int>(panels_.size()))
        panels_[static_cast<std::size_t>(index - 1)]->setText(text);
}

QString frmCalibrateTorque::panelText(int index) const {
    return index >= 1 && index <= static_cast<int>(panels_.size())
               ? panels_[static_cast<std::size_t>(index - 1)]->text()
               : QString();
}
