// The registrations as the reading verbs show them: each with its health,
// as a table with the window's columns, as JSON or as CSV.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "console/common.h"
#include "commands/listing_json.h"
#include "health/health.h"
#include "health/version_info.h"
#include "store/app_path_entry.h"
#include "toolkit/json.h"

namespace tolvane::console {

struct Row {
    AppPathEntry entry;
    HealthReport report;
    VersionStrings version;  // left empty unless the filter asks for it
};

// Which registrations a reading verb shows: those of the chosen hives, and
// only those called |name| when it is given.
struct RowFilter {
    ScopeChoice scope = ScopeChoice::All;
    const std::wstring* name = nullptr;
    bool checked = true;     // false: every report left empty, for files that tell no health
    bool described = false;  // true: each program's version strings read, for JSON and CSV
};

// The registrations that |filter| keeps, the machine's first, each hive in
// the registry's order; a hive without an App Paths key has none. Both
// hives are read whatever is kept, so that a name registered twice is told
// as such, but only the kept ones are checked. 0, or the code that stopped
// the reading.
LONG ReadRows(const RowFilter& filter, std::vector<Row>& rows);
// The registrations of both hives without their health, for "which".
LONG ReadEntries(std::vector<AppPathEntry>& entries);

// A missing target, a relative path or a missing Path folder. A
// registration that looks planted is not broken: it works, for whoever
// planted it.
bool IsBroken(const HealthReport& report);

// The window's columns: name, path, scope, notes; the paths cut to fit
// |width| columns (FittedTableText), or whole with 0.
std::wstring RowsTable(const std::vector<Row>& rows, size_t width);
// One registration, a line for each fact.
std::wstring RowDetails(const Row& row);
// An array with one object for each registration: the members of
// ListedMembers(), read byte for byte, with "expanded" and "notes".
JsonValue RowsJson(const std::vector<Row>& rows);
// A header record, then one record for each registration.
std::wstring RowsCsv(const std::vector<Row>& rows);

}  // namespace tolvane::console
