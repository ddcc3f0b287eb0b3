// The embedded demo database: the database "demo" of the embedded engine, created from
// the demo script (demo.sql) the first time a session is opened on it. The script is
// looked for beside the executable (a Windows install, which keeps its files in one
// folder) and in share/vantro/ beside the executable's bin folder (a POSIX install, and
// the build folder, which copies it there). A marker file "demo.created" in the engine's
// database folder records that the script has been run; the terminal's run command
// keeps the same marker. Nothing here types or runs anything: the front end types the
// line this module hands it.
#pragma once

#include <string>
#include <vector>

#include "oci/oci_loader.h"

// The name of the demo database in the Logon dialog's list.
extern const char* const kDemoDatabaseName;

// True when the database text names the demo database (letter case aside, surrounding
// blanks ignored).
bool demo_database_named(const std::string& database);

// Where the demo script may be, in the order they are tried.
std::vector<std::string> demo_script_candidates(const std::string& executable_folder);

// What a successful connect to `database` on a library of `kind` asks for.
struct DemoFirstUse {
    // The line to type into the console that runs the demo script; empty for nothing.
    std::string script_line;
    // A note for the console (what is being done, or why the demo database stays empty);
    // empty for nothing.
    std::string note;
};

// Decides, for the session just opened, whether the demo database is new: the embedded
// engine, the demo database, and no marker yet. Then it finds the script among
// `candidates`, writes the marker (so that a second logon never runs the script over the
// created objects) and returns the line; without a script it returns only a note and
// leaves the marker unwritten, so that a later logon with the script in place creates it.
// `databases_folder` is the engine's database folder (empty: unknown, nothing is done).
DemoFirstUse demo_database_first_use(const std::string& database, OciLibraryKind kind,
                                     const std::string& databases_folder, const std::vector<std::string>& candidates);

// The same for the running program: its OCI library, the per-user database folder and
// the script beside the executable.
DemoFirstUse demo_database_first_use(const std::string& database);

// Whether the Logon dialog offers the demo database: the embedded engine is in use.
bool demo_database_offered();
