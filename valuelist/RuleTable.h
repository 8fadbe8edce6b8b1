#pragma once

#include <QString>

struct sqlite3;
class CProjectData;

// The table VALUERULE beside the five value-list tables: the rules of entries (type, range,
// default, required, description) and, on a row with empty codes, the list's unknown-key
// switch. It is a table of its own so that the five tables stay as older versions and other
// tools know them; an older version ignores it. Every function runs inside the caller's
// transaction (or none) and reports failure by its result.
class CRuleTable {
public:
    static const char16_t* CreateStatement();

    // Whether the file has the table: a database only read (quillet-cli) may predate it.
    static bool Exists(sqlite3* pDb);
    // Puts the stored rules on the entries of the loaded tree. A row whose type this version
    // does not know is left out and counted in `notice` (one message for the whole list);
    // rows of entries the tree lacks are passed over. False when the read breaks off.
    static bool Load(sqlite3* pDb, CProjectData& project, QString& notice);
    static bool Delete(sqlite3* pDb, int nPid);
    // Writes one row per entry with a rule, and the list's row when its switch is on.
    static bool Insert(sqlite3* pDb, const CProjectData& project);
};
