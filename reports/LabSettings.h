#pragma once

#include <QByteArray>
#include <QImage>
#include <QLocale>
#include <QPageSize>
#include <QString>
#include <QStringList>

#include <optional>

// What the test report says of the lab that sends it, from "lab.txt" beside "initial.txt": one setting a
// line, "#" starts a comment, blank lines are skipped.
//
//     name Rheology Lab, Acme Oilfield Services
//     address 1200 Industrial Blvd, Suite 4
//     address Houston, TX 77032
//     logo acme-logo.png        (relative to the folder of lab.txt)
//     paper Letter              (A4 or Letter; without it the system's locale decides)
//     models yes                (the extended models in every test report)
//
// A missing file is no problem: the report then has no lab header lines. A bad line is left out and named
// with its line number; a logo that cannot be read is named and left out; the other lines count.
struct LabSettings {
    static constexpr const char* kFileName = "lab.txt";
    static constexpr int kMaxAddressLines = 6;
    // Larger than any printed logo needs; a larger file is something else.
    static constexpr qint64 kMaxLogoBytes = 8 * 1024 * 1024;

    QString name;
    QStringList address;
    QString logoPath;  // absolute; empty for none
    QImage logo;       // read from logoPath; null when there is none or it could not be read
    std::optional<QPageSize::PageSizeId> paper;
    bool models = false;
    // One sentence per bad line ("lab.txt, line 3: ..."), an unreadable logo, or the file's own problem.
    QStringList problems;

    // lab.txt in the folder of the settings file at initialPath.
    static QString pathBeside(const QString& initialPath);
    // Reads the file through the bounded settings reader, then the logo it names.
    static LabSettings read(const QString& path);
    // The file's lines; relative logo paths are taken from `folder`. The logo is not read.
    static LabSettings parse(const QByteArray& bytes, const QString& fileName, const QString& folder);
    // Reads the logo named by logoPath into logo; a problem when it cannot be read.
    void readLogo();

    // The paper the report is printed on: the file's, else Letter where the locale measures in US units or
    // the lab is in Canada, else A4.
    QPageSize::PageSizeId paperFor(const QLocale& locale) const;
};

// The paper of the locale: Letter for the US measurement system and Canada, A4 elsewhere.
QPageSize::PageSizeId LocalePaper(const QLocale& locale);
