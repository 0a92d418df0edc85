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
// The lines of a notes sheet are sentences: one wide column.
constexpr double kNotesColumnWidth = 120;

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

// A workbook built beside its destination, which takes its name only when complete.
class PartialWorkbook {
  public:
    explicit PartialWorkbook(const QString& path) : target_(path), partial_(temporaryPattern(path)) {}
    ~PartialWorkbook() {
        if (workbook_) workbook_close(workbook_);
    }

    // The workbook to fill; null (with error()) when it cannot be made.
    lxw_workbook* open() {
        if (target_.isDir()) {
            error_ = QStringLiteral("\"%1\" is a folder.").arg(QDir::toNativeSeparators(target_.filePath()));
            return nullptr;
        }
        if (!partial_.open()) {
            error_ = QStringLiteral("\"%1\" cannot be written: %2")
                         .arg(QDir::toNativeSeparators(target_.absolutePath()), partial_.errorString());
            return nullptr;
        }
        partial_.close();
        // A temporary file is private to its owner; the workbook is read by others like any saved file.
        partial_.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                QFileDevice::ReadOther);
        name_ = QFile::encodeName(partial_.fileName());
        workbook_ = workbook_new(name_.constData());
        if (!workbook_) error_ = QStringLiteral("The workbook cannot be created.");
        return workbook_;
    }
    QString error() const { return error_; }

    // Closes the workbook and gives it its name; the first failure of the cells, or of this, or nothing.
    QString finish(const QString& cellFailure) {
        const lxw_error closed = workbook_close(workbook_);
        workbook_ = nullptr;
        if (!cellFailure.isEmpty()) return cellFailure;
        if (closed != LXW_NO_ERROR)
            return QStringLiteral("The workbook cannot be written: %1.")
                .arg(QString::fromUtf8(lxw_strerror(closed)));
        std::error_code error;
        std::filesystem::rename(
            std::filesystem::path(name_.toStdString()),
            std::filesystem::path(QFile::encodeName(target_.absoluteFilePath()).toStdString()), error);
        if (error)
            return QStringLiteral("\"%1\" cannot be replaced: %2")
                .arg(QDir::toNativeSeparators(target_.absoluteFilePath()),
                     QString::fromLocal8Bit(error.message()));
        partial_.setAutoRemove(false);
        return {};
    }

  private:
    static QString temporaryPattern(const QString& path) {
        return QFileInfo(path).absolutePath() + QStringLiteral("/.workbook-XXXXXX.xlsx");
    }

    QFileInfo target_;
    QTemporaryFile partial_;
    QByteArray name_;
    lxw_workbook* workbook_ = nullptr;
    QString error_;
};

QString addSheetFailure(const QString& name) {
    return QStringLiteral("The workbook's sheet \"%1\" cannot be created.").arg(name);
}

}  // namespace

QString WriteWorkbookFile(const QString& path, WorkbookKind kind, const ReportTables& tables,
                          std::span<const Reading> readings, const QLocale& locale) {
    PartialWorkbook file(path);
    lxw_workbook* workbook = file.open();
    if (!workbook) return file.error();
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
    if (!sheet) return file.finish(QStringLiteral("The workbook's sheet cannot be created."));
    XlsxSink sink(sheet);
    const SheetSetup setup = WriteWorkbookCells(sink, kind, tables, readings, locale);
    applySetup(sheet, setup);
    QString failure = sink.firstFailure();
    // The excluded readings and the criteria on sheets of their own, after the designed one.
    for (const NotesSheet& notes : NotesSheets(tables)) {
        const QByteArray name = notes.name.toUtf8();
        lxw_worksheet* notesSheet = workbook_add_worksheet(workbook, name.constData());
        if (!notesSheet) {
            if (failure.isEmpty()) failure = addSheetFailure(notes.name);
            continue;
        }
        XlsxSink notesSink(notesSheet);
        WriteNotesCells(notesSink, notes);
        worksheet_set_column(notesSheet, 0, 0, kNotesColumnWidth, nullptr);
        if (failure.isEmpty()) failure = notesSink.firstFailure();
    }
    return file.finish(failure);
}

QString WriteTableWorkbook(const QString& path, const QString& sheetName, const QStringList& header,
                           const QList<QStringList>& rows) {
    PartialWorkbook file(path);
    lxw_workbook* workbook = file.open();
    if (!workbook) return file.error();
    const QByteArray name = sheetName.toUtf8();
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, name.constData());
    if (!sheet) return file.finish(addSheetFailure(sheetName));
    XlsxSink sink(sheet);
    // The header (the tests' names) as texts, whatever they look like; values that are numbers as numbers.
    for (qsizetype c = 0; c < header.size(); ++c) sink.text(1, int(c) + 1, header[c]);
    const auto write = [&sink](int row, const QStringList& cells) {
        for (qsizetype c = 0; c < cells.size(); ++c) {
            bool number = false;
            const double value = cells[c].toDouble(&number);
            if (number && c > 0)
                sink.number(row, int(c) + 1, value);
            else
                sink.text(row, int(c) + 1, cells[c]);
        }
    };
    for (qsizetype r = 0; r < rows.size(); ++r) write(int(r) + 2, rows[r]);
    worksheet_set_column(sheet, 0, 0, kLabelColumnWidth * 1.6, nullptr);
    worksheet_set_column(sheet, 1, lxw_col_t(std::max<qsizetype>(1, header.size() - 1)),
                         kValueColumnWidth * 1.5, nullptr);
    return file.finish(sink.firstFailure());
}

}  // namespace reports
