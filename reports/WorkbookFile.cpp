#include "reports/WorkbookFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <filesystem>
#include <system_error>

namespace reports {

namespace {

// Columns wide enough for the labels and the header texts; the sheet is scaled to the page anyway.
constexpr double kLabelColumnWidth = 22;
constexpr double kValueColumnWidth = 16;
constexpr int kLastUsedColumn = 11;

// Cells into one worksheet; remembers the first cell that could not be written.
class XlsxSink : public CellSink {
  public:
    explicit XlsxSink(lxw_worksheet* sheet) : sheet_(sheet) {}

    void text(int row, int column, const QString& value) override {
        const QByteArray bytes = value.toUtf8();
        note(worksheet_write_string(sheet_, lxw_row_t(row - 1), lxw_col_t(column - 1), bytes.constData(),
                                    nullptr),
             row, column);
    }
    void number(int row, int column, double value) override {
        note(worksheet_write_number(sheet_, lxw_row_t(row - 1), lxw_col_t(column - 1), value, nullptr), row,
             column);
    }

    QString firstFailure() const { return failure_; }

  private:
    void note(lxw_error error, int row, int column) {
        if (error == LXW_NO_ERROR || !failure_.isEmpty()) return;
        failure_ = QStringLiteral("The cell in row %1, column %2 cannot be written: %3.")
                       .arg(row)
                       .arg(column)
                       .arg(QString::fromUtf8(lxw_strerror(error)));
    }

    lxw_worksheet* sheet_;
    QString failure_;
};

void applySetup(lxw_worksheet* sheet, const SheetSetup& setup) {
    worksheet_repeat_rows(sheet, lxw_row_t(setup.printTitleFirstRow - 1),
                          lxw_row_t(setup.printTitleLastRow - 1));
    if (setup.landscape) worksheet_set_landscape(sheet);
    if (setup.fitToPages)
        worksheet_fit_to_pages(sheet, uint16_t(setup.fitPagesWide), uint16_t(setup.fitPagesTall));
    worksheet_set_column(sheet, 0, 0, kLabelColumnWidth, nullptr);
    worksheet_set_column(sheet, 1, kLastUsedColumn - 1, kValueColumnWidth, nullptr);
}

}  // namespace

QString WriteWorkbookFile(const QString& path, WorkbookKind kind, const ReportTables& tables,
                          std::span<const Reading> readings, const QLocale& locale) {
    const QFileInfo target(path);
    if (target.isDir()) return QStringLiteral("\"%1\" is a folder.").arg(QDir::toNativeSeparators(path));
    // The workbook is built beside its destination and takes its name only when complete.
    QTemporaryFile partial(target.absolutePath() + QStringLiteral("/.workbook-XXXXXX.xlsx"));
    if (!partial.open())
        return QStringLiteral("\"%1\" cannot be written: %2")
            .arg(QDir::toNativeSeparators(target.absolutePath()), partial.errorString());
    partial.close();
    // A temporary file is private to its owner; the workbook is read by others like any saved file.
    partial.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                           QFileDevice::ReadOther);

    const QByteArray partialName = QFile::encodeName(partial.fileName());
    lxw_workbook* workbook = workbook_new(partialName.constData());
    if (!workbook) return QStringLiteral("The workbook cannot be created.");
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
    if (!sheet) {
        workbook_close(workbook);
        return QStringLiteral("The workbook's sheet cannot be created.");
    }
    XlsxSink sink(sheet);
    const SheetSetup setup = WriteWorkbookCells(sink, kind, tables, readings, locale);
    applySetup(sheet, setup);
    const lxw_error closed = workbook_close(workbook);
    if (!sink.firstFailure().isEmpty()) return sink.firstFailure();
    if (closed != LXW_NO_ERROR)
        return QStringLiteral("The workbook cannot be written: %1.")
            .arg(QString::fromUtf8(lxw_strerror(closed)));

    std::error_code error;
    std::filesystem::rename(std::filesystem::path(partialName.toStdString()),
                            std::filesystem::path(QFile::encodeName(target.absoluteFilePath()).toStdString()),
                            error);
    if (error)
        return QStringLiteral("\"%1\" cannot be replaced: %2")
            .arg(QDir::toNativeSeparators(target.absoluteFilePath()),
                 QString::fromLocal8Bit(error.message()));
    partial.setAutoRemove(false);
    return {};
}

}  // namespace reports
