#pragma once

#include <QStringList>

class clsConnection;

// Two ready-made sequences for a demonstration database: a borate-crosslinked fluid heated in steps to
// 250 °F with a four-rate ramp, and a high-temperature stability test to 350 °F with an eight-rate ramp.
// A sequence whose name is already stored is left as it is. The names of those it stores are appended to
// `stored`, as each is stored. Raises StoreError when the database fails.
void createDemoSequences(clsConnection& connection, QStringList* stored = nullptr);

// Names of the demonstration sequences, in the order they are created.
QStringList demoSequenceNames();
