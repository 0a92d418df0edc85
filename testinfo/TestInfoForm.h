#pragma once

#include "store/NewTest.h"
#include "testinfo/BobTable.h"
#include "testinfo/TestInfoInput.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <exception>
#include <optional>

class TextGrid;

class clsConnection;
class clsTEST_ADDITIVE;
class clsTEST_INFO;

// The texts of the test-information fields, one per box, as the operator sees them. Both
// test-information windows and the --info file work on these, so the defaults, the bob lookup and the
// reading of numbers are the same everywhere.
struct TestInfoTexts {
    // Initial texts of the boxes.
    static constexpr const char* kResearcher = "Unknown";
    static constexpr const char* kRotor = "R1";
    static constexpr const char* kBobRadius = "1.5987";
    static constexpr const char* kBobLength = "7.620";
    static constexpr const char* kPh = "7.0";

    QString testName;
    QString testDate;  // shown only: the test time is the caller's
    QString fluidId;
    QString researchName;
    QString rotoNo;
    QString bobNo;
    QString bobRadius;
    QString bobLength;
    QString preTestPh;
    QString postTestPh;
    QString safety;

    // The boxes as the entry dialog opens: no name, today's date, bob B5 with its geometry, rotor R1,
    // pH 7.0, researcher "Unknown".
    static TestInfoTexts initial(const QDate& today = QDate::currentDate());

    using BobLookup = std::optional<bobs::BobGeometry> (*)(const QString&);
    // A change of the bob box: a name the lookup knows brings its radius and length; any other name leaves
    // them as they are (a geometry typed by hand).
    void setBobNo(const QString& bob, BobLookup lookup);
    // The fields of a stored test's row except its name and date; the bob first, so that the stored radius
    // and length win over the lookup's.
    void setStored(clsTEST_INFO& info, BobLookup lookup);

    // The data handed back: texts as they stand, numbers by the leading-number rule. No additives.
    TestInfoInput toInput() const;

    bool operator==(const TestInfoTexts&) const = default;
};

// The additives grid of both windows: row 0 the header, rows 1 to 20 one additive each (name,
// concentration, units, lot number). A row with an empty name ends the list.
namespace additive_grid {

inline constexpr const char* kFormat = "<Additive Name|<Concentration|<Units|<Lot Number";
inline constexpr int kRows = TestInfoInput::kMaxAdditives + 1;
inline constexpr int kCols = 4;
inline constexpr int kColumnWidth_twips = 1600;
inline constexpr int kHeaderHeight_twips = 400;
enum Column { kName = 0, kConcentration = 1, kUnit = 2, kLotNo = 3 };

// The header texts of kFormat, without their alignment marks.
QStringList headerTexts();
// 21 rows, the header written, every value cell empty.
void setUp(TextGrid& grid);
// Empties every value cell.
void clear(TextGrid& grid);
// Empties the grid and writes the additives from row 1 in order (the concentration as Str writes it: a
// blank before a number that is not negative). Adds rows when there are more than 20.
void write(TextGrid& grid, const QList<NewAdditive>& additives);
// The additives from row 1 down to the first row without a name; concentrations by the leading-number rule.
QList<NewAdditive> read(const TextGrid& grid);
// The stored additives of the test with this key, in their stored order, read through the given record.
// Record failures come out as StoreError.
QList<NewAdditive> stored(clsTEST_ADDITIVE& additive, clsConnection& connection, double testId);

}  // namespace additive_grid

namespace testinfo_text {
// A date as the system's short date form shows it, with the year in four digits; empty when invalid.
QString shortDate(const QDate& date);
// A stored number as a box shows it ("7.62", "0.5", "7").
QString number(double value);
// A failure for a message box: what failed, then the store's error number and description.
QString failure(const QString& what, const std::exception& error);
}  // namespace testinfo_text
