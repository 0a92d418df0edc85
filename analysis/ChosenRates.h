#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <span>
#include <vector>

// The shear rates, besides 40, 100 and 170 1/s, at which the extended results give every model's
// viscosity (511 1/s for linear gels, say): set once by the operator and kept in "rates.txt" beside
// "initial.txt", one rate in 1/s a line; "#" starts a comment, blank lines are skipped.
struct ChosenRates {
    static constexpr const char* kFileName = "rates.txt";
    // A table column per rate: more than this is not a list anyone reads.
    static constexpr int kMaxRates = 20;
    // Above any rotor's reach by far; a larger number is a typing error.
    static constexpr double kMaxRate_1ps = 100000;

    // In the order given, each rate once.
    std::vector<double> rates;
    // One sentence per line that was left out, or for a file that could not be read; empty when all is
    // well. A missing file is no problem: no rates are chosen.
    QStringList problems;

    // Reads the file (through the bounded settings reader).
    static ChosenRates read(const QString& path = QString::fromLatin1(kFileName));
    // The file's content; fileName names it in the problems.
    static ChosenRates parse(const QByteArray& bytes, const QString& fileName);
    // A list as typed in the dialog or given to --rates: rates separated by commas, semicolons or blanks.
    // problems holds the first item that is no rate; an empty text is an empty list.
    static ChosenRates parseList(const QString& text);

    // The file's bytes for a list: a comment saying what it is, then one rate a line.
    static QByteArray toBytes(std::span<const double> rates);
    // Replaces the file whole; the system's reason on failure, empty on success.
    static QString write(std::span<const double> rates, const QString& path = QString::fromLatin1(kFileName));

    // The rates as the dialog shows and takes them: "511, 1022".
    static QString listText(std::span<const double> rates);
};
