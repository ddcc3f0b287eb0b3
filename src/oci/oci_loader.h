// Loads one OCI library at run time and resolves every entry point the console calls
// into one table. The choice: VANTRO_OCI_LIB (a path, or the word "embedded"), otherwise
// Oracle's client library when it loads, otherwise the embedded library beside the
// executable or in the lib folder of the install the executable belongs to. This module only loads and resolves; it never calls an OCI function.
#pragma once

#include "oci/oci_api.h"

#include <string>
#include <vector>

// One pointer per entry point, named as the function it holds.
struct OciApi {
#define VOCI_TABLE_FIELD(name) name##_fn name;
  VOCI_FUNCTIONS(VOCI_TABLE_FIELD)
#undef VOCI_TABLE_FIELD
};

enum class OciLibraryKind { None, Oracle, Embedded, Explicit };

struct OciLoadResult {
  int code;              // 0 loaded; -1 no library could be loaded; -2 a function is missing
  OciLibraryKind kind;
  std::string path;      // the library that was loaded (or last tried)
  std::string message;   // for a failure: what went wrong, naming the library or function
};

// Loads and resolves once; later calls return the first result. Not thread-safe against
// itself: call it at start-up before any worker exists.
OciLoadResult oci_load();
// Loads a library from an explicit path into the global table, replacing nothing if it
// fails. Used by oci_load and by tests that point at a particular library.
OciLoadResult oci_load_path(const std::string& path, OciLibraryKind kind);
// The resolved table; null until a load succeeded.
const OciApi* oci_api();
// The folder of the running executable, without a trailing separator.
std::string oci_executable_folder();
// The embedded library's file name on this platform.
const char* oci_embedded_library_name();
// Where the embedded library may be, in the order they are tried: beside the executable
// (a build folder, a Windows install), then the lib folder beside the executable's bin
// folder (a POSIX install: bin/vantro and lib/libvantro_oci.so).
std::vector<std::string> oci_embedded_library_candidates(const std::string& executable_folder);
