#pragma once

#include <QByteArray>
#include <QString>

class clsConnection;

// A short fingerprint of a stored test as it stands: its test row, its additives and how many readings it
// holds up to which key. Equal stamps mean an opened copy of the test still shows what is stored, so a
// reader that keeps opened tests (the lab monitor) asks this instead of reading 100,000 readings again.
namespace store {

// Empty when no test of that exact name is stored. Throws StoreError.
QByteArray testStamp(clsConnection& connection, const QString& name);

}  // namespace store
