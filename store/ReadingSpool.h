#pragma once

#include "store/Reading.h"
#include "store/RunJournal.h"

#include <QString>

#include <optional>
#include <vector>

// The local file that keeps the readings of live runs which the database server could not take, until it
// can: one SQLite file beside the settings, shared by every writer of every program in that folder, each
// reading tagged with the database it belongs to and the writer that handed it over. Readings leave it
// oldest first, in batches: a batch is claimed (marked) before it is sent and deleted once the server has
// committed it, so a batch whose sending ended without an answer is still there, marked, to be checked
// against the server before it is sent again.
class ReadingSpool {
  public:
    // A reading of a test, with the save of its run that goes with it; or a save alone (no reading).
    struct Entry {
        double testId = 0;
        Reading reading;
        bool hasReading = true;
        std::optional<run_journal::Save> save;
    };

    // Opens the file, creating it with its table when missing; raises StoreError when it cannot.
    ReadingSpool(const QString& path, const QString& database);
    ~ReadingSpool();
    ReadingSpool(const ReadingSpool&) = delete;
    ReadingSpool& operator=(const ReadingSpool&) = delete;

    const QString& path() const { return path_; }

    // Keeps one reading, committed when it returns. A claimed reading forms a batch on its own whose
    // outcome is unknown (its direct store broke off): the one to use when nothing of the database waits.
    void append(const Entry& entry, const QString& writer, bool claimed = false);
    // Entries of the database that wait (readings and saves), of all writers; the readings of one.
    int count() const;
    int countOf(const QString& writer) const;

    // The batch to send next, oldest first: the one claimed before, whose sending ended without an answer
    // (unanswered is then true), or else the next `max` readings, claimed now.
    std::vector<Entry> nextBatch(int max, bool* unanswered);
    // The claimed batch is in the database: it leaves the spool.
    void removeClaimed();

  private:
    QString path_;
    QString database_;
    QString connectionName_;
};
