#include "analysis/ui/ChartView.h"

#include "analysis/OpenTest.h"
#include "analysis/ui/StoredTestList.h"
#include "analysis/ui/TestChart2D.h"
#include "analysis/ui/TestChart3D.h"
#include "analysis/ui/frmOverlapTest.h"
#include "common/Messenger.h"
#include "common/WholeFile.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>
#include <QPrintDialog>
#include <QPrinter>
#include <QSignalBlocker>
#include <QStackedLayout>

namespace {

constexpr const char* kDocumentPrefix = "R7716 chart";

bool showPrintDialog(QPrinter& printer, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace

ChartView::ChartView(Messenger& messenger, QWidget* parent, OpenGLProbe probe)
    : QWidget(parent), messenger_(messenger), printDialog_(showPrintDialog) {
    setObjectName(QStringLiteral("ChartView"));
    chart2D_ = new TestChart2D(this);
    chart3D_ = new TestChart3D(std::move(probe), this);
    pages_ = new QStackedLayout(this);
    pages_->setContentsMargins(0, 0, 0, 0);
    pages_->addWidget(chart2D_);
    pages_->addWidget(chart3D_);
    pages_->setCurrentWidget(chart2D_);
}

ChartView::~ChartView() = default;

void ChartView::BindControls(const Controls& controls) {
    controls_ = controls;
    syncControls();
}

void ChartView::ShowOpenedTest(const OpenedTest& test, UnitSystem unitSystem) {
    session_.showOpenedTest(test, unitSystem);
    draw();
    syncControls();
}

void ChartView::ShowNoTest() {
    session_.showNoTest();
    draw();
    syncControls();
}

void ChartView::ShowSession(const ChartSession& session) {
    session_ = session;
    draw();
    syncControls();
}

void ChartView::opt2D_Click() {
    apply(session_.setDimension(ChartDimension::TwoD));
    // The other chart takes the place even when nothing was redrawn.
    draw();
}

void ChartView::opt3D_Click() {
    apply(session_.setDimension(ChartDimension::ThreeD));
    draw();
}

void ChartView::cmbChartType_Click(int index) {
    apply(session_.chooseType(index));
}

void ChartView::SetUnitSystem(UnitSystem unitSystem) {
    apply(session_.setUnitSystem(unitSystem));
}

void ChartView::SetXScale(AxisScale scale) {
    if (session_.setXScale(scale) == ChartSession::Next::Nothing) return;
    chart2D_->SetScales(session_.xScale(), session_.yScale());
}

void ChartView::SetYScale(AxisScale scale) {
    if (session_.setYScale(scale) == ChartSession::Next::Nothing) return;
    chart2D_->SetScales(session_.xScale(), session_.yScale());
}

void ChartView::apply(ChartSession::Next next) {
    if (next == ChartSession::Next::ReOpen) {
        // The open operation ends in ShowOpenedTest, which draws.
        if (reOpen_) {
            reOpen_();
        } else {
            session_.redrawDefault();
            draw();
        }
    } else if (next == ChartSession::Next::Redraw) {
        draw();
    }
    syncControls();
}

void ChartView::draw() {
    if (session_.dimension() == ChartDimension::ThreeD) {
        chart3D_->Draw(session_.chart3D());
        pages_->setCurrentWidget(chart3D_);
    } else {
        chart2D_->Draw(session_.chart2D(), session_.xScale(), session_.yScale());
        pages_->setCurrentWidget(chart2D_);
    }
}

void ChartView::syncControls() {
    if (QComboBox* list = controls_.typeList) {
        const QSignalBlocker quiet(list);
        const QStringList items = session_.typeList();
        QStringList shown;
        for (int i = 0; i < list->count(); ++i) shown.append(list->itemText(i));
        if (shown != items) {
            list->clear();
            list->addItems(items);
        }
        list->setCurrentIndex(session_.listIndex());
    }
    if (controls_.xScaleFrame) controls_.xScaleFrame->setVisible(session_.scaleFramesVisible());
    if (controls_.yScaleFrame) controls_.yScaleFrame->setVisible(session_.scaleFramesVisible());
    if (controls_.overlapButton) controls_.overlapButton->setEnabled(session_.overlapEnabled());
}

void ChartView::cmdOverlap_Click(QDialog& overlapDialog) {
    if (const std::optional<OverlapOutcome> refusal = session_.overlapRefusal()) {
        messenger_.info(refusal->message, refusal->title);
        return;
    }
    overlapDialog.exec();
}

OverlapOutcome ChartView::fOverlap_overSelected(frmOverlapTest& dialog, clsConnection& connection) {
    OverlapOutcome outcome;
    try {
        outcome = Overlap(dialog.txtSeqName->text(), dialog.ListedNames(), StoredTestLoader(connection));
    } catch (const std::exception& error) {
        messenger_.info(
            stored_test_list::FailureText(QStringLiteral("The test to overlap could not be read."), error),
            QString(), MsgIcon::Critical);
        return outcome;
    }
    if (outcome.hidesDialog()) dialog.hide();
    return outcome;
}

OverlapOutcome ChartView::Overlap(const QString& name, const QStringList& listedNames,
                                  const OverlapLoader& load) {
    const int seriesBefore = session_.seriesCount();
    const OverlapOutcome outcome = session_.overlap(name, listedNames, load);
    if (!outcome.message.isEmpty()) messenger_.info(outcome.message, outcome.title);
    // A refused time chart keeps its drawing; its series count grew by an empty series all the same.
    if (session_.seriesCount() != seriesBefore) draw();
    syncControls();
    return outcome;
}

QString ChartView::documentName() const {
    const QString name = session_.openTestName();
    return name.isEmpty() ? QString::fromUtf8(kDocumentPrefix)
                          : QStringLiteral("%1 - %2").arg(QString::fromUtf8(kDocumentPrefix), name);
}

void ChartView::PrintChart() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(documentName());
    printer.setPageOrientation(QPageLayout::Landscape);
    if (!printDialog_ || !printDialog_(printer, this)) return;
    if (!PrintTo(printer))
        messenger_.info(
            QStringLiteral("The chart could not be printed: the printer or file could not be opened."),
            QString(), MsgIcon::Exclamation);
}

bool ChartView::PrintTo(QPagedPaintDevice& device) {
    QPainter painter;
    if (!painter.begin(&device)) return false;
    render(painter, QRectF(painter.viewport()));
    return painter.end();
}

bool ChartView::layOutOffscreen(QSize size) {
    if (isVisible() || !size.isValid()) return false;
    // Laid out as if shown, without a window on screen: the chart needs its size to place its axes.
    setAttribute(Qt::WA_DontShowOnScreen);
    resize(size);
    show();
    QCoreApplication::processEvents();
    return true;
}

void ChartView::render(QPainter& painter, const QRectF& target) {
    if (session_.dimension() == ChartDimension::ThreeD) {
        const QImage image = chart3D_->Image(
            chart3D_->size().isValid() && !chart3D_->size().isEmpty() ? chart3D_->size() : kOffscreenSize);
        const QSizeF fitted = QSizeF(image.size()).scaled(target.size(), Qt::KeepAspectRatio);
        painter.drawImage(QRectF(target.topLeft(), fitted), image);
        return;
    }
    chart2D_->render(&painter, target, chart2D_->viewport()->rect(), Qt::KeepAspectRatio);
}

bool ChartView::RecordPicture(QPicture& picture, QSize size) {
    if (session_.dimension() == ChartDimension::ThreeD && !chart3D_->Message().isEmpty()) return false;
    const bool offscreen = layOutOffscreen(size);
    QPainter painter;
    bool done = painter.begin(&picture);
    if (done) {
        render(painter, QRectF(QPointF(0, 0), QSizeF(offscreen ? size : this->size())));
        done = painter.end();
    }
    if (offscreen) hide();
    return done;
}

bool ChartView::RenderToFile(const QString& path, QSize size, QString* error) {
    // 3D without OpenGL: nothing is written, the caller learns why.
    if (session_.dimension() == ChartDimension::ThreeD && !chart3D_->Message().isEmpty()) {
        if (error) *error = chart3D_->Message();
        return false;
    }
    const bool offscreen = layOutOffscreen(size);
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool pdf = suffix == QLatin1String("pdf");
    bool done = false;
    QString problem;
    WholeFileWriter file(path);
    if (!pdf && suffix != QLatin1String("png")) {
        problem = QStringLiteral("\"%1\": the chart is written as .png or .pdf only.").arg(path);
    } else if (!file.open()) {
        problem = QStringLiteral("\"%1\" could not be written: %2.").arg(path, file.error());
    } else {
        if (pdf) {
            QPdfWriter writer(&file.device());
            writer.setTitle(documentName());
            writer.setPageOrientation(QPageLayout::Landscape);
            writer.setResolution(300);
            done = PrintTo(writer);
        } else {
            const QSize imageSize = size.isValid() && !isVisible() ? size : this->size();
            QImage image(imageSize, QImage::Format_RGB32);
            image.fill(Qt::white);
            {
                QPainter painter(&image);
                render(painter, QRectF(QPointF(0, 0), QSizeF(imageSize)));
            }
            done = image.save(&file.device(), "PNG");
        }
        // The system's reason (a full disk) when there is one.
        QString reason;
        if (file.device().error() != QFileDevice::NoError)
            reason = file.device().errorString();
        else if (!done)
            reason = QStringLiteral("the chart could not be drawn");
        else if (!file.commit())
            reason = file.error();
        done = reason.isEmpty();
        if (!done) problem = QStringLiteral("\"%1\" could not be written: %2.").arg(path, reason);
        file.cancel();
    }
    if (offscreen) hide();
    if (error) *error = problem;
    return done;
}
