#include "sequence/StepGrid.h"

#include "common/VbFormat.h"

#include <algorithm>

namespace StepGrid {

namespace {

// Moves the contents of columns 1 to 5 of rows from ... last one row down (from the bottom up); the grid
// must already have its new last row.
void shiftDown(TextGrid& grid, int from) {
    for (int r = grid.Rows() - 1; r > from; --r)
        for (int c = kColTime; c <= kColRunRamp; ++c) grid.setTextMatrix(r, c, grid.TextMatrix(r - 1, c));
}

void fillRow(TextGrid& grid, int row, const SequenceStep& step) {
    grid.setTextMatrix(row, kColTime, SequenceText::cell(step.elapseTime_min));
    grid.setTextMatrix(row, kColTemp, SequenceText::cell(step.temp_F));
    grid.setTextMatrix(row, kColTempError, SequenceText::cell(step.startError_F));
    grid.setTextMatrix(row, kColShearRate, SequenceText::cell(step.shearRate_1ps));
    grid.setTextMatrix(row, kColRunRamp, QStringLiteral("1"));
}

}  // namespace

QStringList headerTexts() {
    return {QStringLiteral("Step No"),           QStringLiteral("Elapse\nTime (Min)"),
            QStringLiteral("Temp\n(°F)"),        QStringLiteral("Temp\nError(°F)"),
            QStringLiteral("Shear\nRate (1/S)"), QStringLiteral("Ramp?")};
}

void layOut(TextGrid& grid) {
    grid.setRows(1);
    const QStringList headers = headerTexts();
    for (int c = 0; c < kCols; ++c) grid.setTextMatrix(0, c, headers[c]);
    grid.setRow(0);
}

int stepCount(const TextGrid& grid) {
    return grid.Rows() - 1;
}

int insertStep(TextGrid& grid, const SequenceStep& step, bool before) {
    const int r = grid.Row();
    const int target = (r > 0 && before) ? r : r + 1;
    grid.setRows(grid.Rows() + 1);
    shiftDown(grid, target);
    fillRow(grid, target, step);
    renumber(grid);
    return target;
}

bool deleteCurrentStep(TextGrid& grid) {
    const int r = grid.Row();
    if (r <= 0 || r >= grid.Rows()) return false;
    for (int row = r; row < grid.Rows() - 1; ++row)
        for (int c = kColTime; c <= kColRunRamp; ++c) grid.setTextMatrix(row, c, grid.TextMatrix(row + 1, c));
    grid.setRows(grid.Rows() - 1);
    renumber(grid);
    return true;
}

void renumber(TextGrid& grid) {
    for (int r = 1; r < grid.Rows(); ++r) grid.setTextMatrix(r, kColStepNo, SequenceText::cell(r));
}

void showSteps(TextGrid& grid, const QList<SequenceStep>& steps) {
    grid.setRows(1);
    grid.setRows(static_cast<int>(steps.size()) + 1);
    for (int i = 0; i < steps.size(); ++i) {
        const int row = i + 1;
        const SequenceStep& s = steps[i];
        grid.setTextMatrix(row, kColStepNo, SequenceText::plain(row));
        grid.setTextMatrix(row, kColTime, SequenceText::plain(s.elapseTime_min));
        grid.setTextMatrix(row, kColTemp, vb::Format(s.temp_F, QStringLiteral("##0.##")));
        grid.setTextMatrix(row, kColTempError, SequenceText::plain(s.startError_F));
        grid.setTextMatrix(row, kColShearRate, SequenceText::plain(s.shearRate_1ps));
        grid.setTextMatrix(row, kColRunRamp, SequenceText::plain(s.runRamp));
    }
}

QList<SequenceStep> readSteps(const TextGrid& grid) {
    QList<SequenceStep> steps;
    for (int r = 1; r < grid.Rows(); ++r) {
        SequenceStep s;
        s.elapseTime_min = vb::Val(grid.TextMatrix(r, kColTime));
        s.temp_F = vb::Val(grid.TextMatrix(r, kColTemp));
        s.startError_F = vb::Val(grid.TextMatrix(r, kColTempError));
        s.shearRate_1ps = vb::Val(grid.TextMatrix(r, kColShearRate));
        s.runRamp = vb::Val(grid.TextMatrix(r, kColRunRamp));
        steps.append(s);
    }
    return steps;
}

void build(TextGrid& grid, int n, const BuilderTexts& texts) {
    n = std::max(n, 0);
    grid.setRows(n + 1);
    const QString temp = SequenceText::cell(vb::Val(texts.temp));
    for (int i = 1; i <= n; ++i) {
        grid.setTextMatrix(i, kColStepNo, SequenceText::cell(i));
        grid.setTextMatrix(i, kColTime, texts.stepTime);
        grid.setTextMatrix(i, kColTemp, temp);
        grid.setTextMatrix(i, kColTempError, texts.tempError);
        grid.setTextMatrix(i, kColShearRate, texts.shearRate);
        grid.setTextMatrix(i, kColRunRamp, QStringLiteral("1"));
    }
}

}  // namespace StepGrid

namespace ShearGrid {

QString headerText() {
    return QStringLiteral("Shear Rate (1/S)");
}

void layOut(TextGrid& grid) {
    grid.setRows(kRows);
    grid.setTextMatrix(0, 0, headerText());
    for (int r = 1; r < grid.Rows(); ++r) grid.setTextMatrix(r, 0, QString());
}

void showRates(TextGrid& grid, const QList<double>& rates_1ps) {
    for (int r = 1; r < grid.Rows(); ++r) grid.setTextMatrix(r, 0, QString());
    const int n = std::min<int>(static_cast<int>(rates_1ps.size()), grid.Rows() - 1);
    for (int i = 0; i < n; ++i) grid.setTextMatrix(i + 1, 0, SequenceText::plain(rates_1ps[i]));
}

QList<double> readRates(const TextGrid& grid) {
    QList<double> rates;
    for (int r = 1; r < grid.Rows(); ++r) {
        const QString text = grid.TextMatrix(r, 0);
        if (!text.trimmed().isEmpty()) rates.append(vb::Val(text));
    }
    return rates;
}

}  // namespace ShearGrid

namespace SequenceText {

QString cell(double value) {
    return vb::Str(value);
}

QString plain(double value) {
    QString text = vb::Str(value).trimmed();
    // Str writes ".5"; a field reads better as "0.5".
    if (text.startsWith(QLatin1Char('.')))
        text.prepend(QLatin1Char('0'));
    else if (text.startsWith(QStringLiteral("-.")))
        text.insert(1, QLatin1Char('0'));
    return text;
}

}  // namespace SequenceText
