// The OCI library loader: dlopen/dlsym on POSIX, LoadLibraryA/GetProcAddress on Windows.
// It resolves every name of VOCI_FUNCTIONS up front so that a library missing a function
// fails at start-up with the function's name instead of crashing later. It keeps the
// library loaded for the life of the process and never unloads it.
#include "oci/oci_loader.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace {

OciApi g_table{};
bool g_loaded = false;
bool g_tried = false;
OciLoadResult g_result{-1, OciLibraryKind::None, {}, {}};

#ifdef _WIN32
using LibHandle = HMODULE;
LibHandle lib_open(const std::string& path, std::string& error) {
  HMODULE h = LoadLibraryA(path.c_str());
  if (!h) {
    char buf[256] = {0};
    DWORD code = GetLastError();
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buf,
                   sizeof buf, nullptr);
    std::size_t n = std::strlen(buf);
    while (n > 0 && (buf[n - 1] == '\n' || buf[n - 1] == '\r' || buf[n - 1] == ' ')) buf[--n] = 0;
    error = buf[0] ? buf : "error " + std::to_string(code);
  }
  return h;
}
void* lib_symbol(LibHandle h, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(h, name));
}
void lib_close(LibHandle h) { FreeLibrary(h); }
const char* const kOracleNames[] = {"oci.dll"};
#else
using LibHandle = void*;
LibHandle lib_open(const std::string& path, std::string& error) {
  void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) {
    const char* e = dlerror();
    error = e ? e : "cannot be loaded";
  }
  return h;
}
void* lib_symbol(LibHandle h, const char* name) { return dlsym(h, name); }
void lib_close(LibHandle h) { dlclose(h); }
#ifdef __APPLE__
const char* const kOracleNames[] = {"libclntsh.dylib"};
#else
const char* const kOracleNames[] = {"libclntsh.so", "libclntsh.so.19.1", "libclntsh.so.18.1",
                                     "libclntsh.so.12.1", "libclntsh.so.11.1", "libclntsh.so.21.1"};
#endif
#endif

// Resolves every function into a local table; on success copies it to the global one.
OciLoadResult resolve_all(LibHandle h, const std::string& path, OciLibraryKind kind) {
  OciApi table{};
  std::vector<const char*> missing;
#define VOCI_RESOLVE(name)                                                      \
  table.name = reinterpret_cast<name##_fn>(lib_symbol(h, #name));               \
  if (!table.name) missing.push_back(#name);
  VOCI_FUNCTIONS(VOCI_RESOLVE)
#undef VOCI_RESOLVE
  if (!missing.empty()) {
    std::string msg = "The OCI library " + path + " lacks the function " + missing[0];
    if (missing.size() > 1) msg += " (and " + std::to_string(missing.size() - 1) + " more)";
    return {-2, kind, path, msg};
  }
  g_table = table;
  g_loaded = true;
  return {0, kind, path, {}};
}

bool file_exists(const std::string& path) {
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
#else
  return access(path.c_str(), F_OK) == 0;
#endif
}

// The first place of the embedded library that holds the file; the first place when none
// does, so that the load error names where the library was expected.
std::string find_embedded_library() {
  const std::vector<std::string> candidates = oci_embedded_library_candidates(oci_executable_folder());
  for (const std::string& candidate : candidates)
    if (file_exists(candidate)) return candidate;
  return candidates.front();
}

}  // namespace

std::string oci_executable_folder() {
#ifdef _WIN32
  std::vector<char> buf(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return ".";
    if (n < buf.size()) {
      std::string p(buf.data(), n);
      std::size_t cut = p.find_last_of("\\/");
      return cut == std::string::npos ? "." : p.substr(0, cut);
    }
    buf.resize(buf.size() * 2);
  }
#else
  std::vector<char> buf(4096);
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return ".";
  std::string p(buf.data(), static_cast<std::size_t>(n));
  std::size_t cut = p.find_last_of('/');
  return cut == std::string::npos ? "." : (cut == 0 ? "/" : p.substr(0, cut));
#endif
}

const char* oci_embedded_library_name() {
#ifdef _WIN32
  return "vantro_oci.dll";
#elif defined(__APPLE__)
  return "libvantro_oci.dylib";
#else
  return "libvantro_oci.so";
#endif
}

std::vector<std::string> oci_embedded_library_candidates(const std::string& executable_folder) {
#ifdef _WIN32
  return {executable_folder + '\\' + oci_embedded_library_name()};
#else
  const std::string folder = executable_folder == "/" ? std::string() : executable_folder;
  return {folder + '/' + oci_embedded_library_name(), folder + "/../lib/" + oci_embedded_library_name()};
#endif
}

OciLoadResult oci_load_path(const std::string& path, OciLibraryKind kind) {
  std::string error;
  LibHandle h = lib_open(path, error);
  if (!h) return {-1, kind, path, "The OCI library " + path + " cannot be loaded: " + error};
  OciLoadResult r = resolve_all(h, path, kind);
  if (r.code != 0) lib_close(h);
  return r;
}

OciLoadResult oci_load() {
  if (g_tried) return g_result;
  g_tried = true;
  const std::string embedded = find_embedded_library();
  const char* configured = std::getenv("VANTRO_OCI_LIB");
  if (configured && *configured) {
    if (std::strcmp(configured, "embedded") == 0) {
      g_result = oci_load_path(embedded, OciLibraryKind::Embedded);
    } else {
      g_result = oci_load_path(configured, OciLibraryKind::Explicit);
    }
    return g_result;
  }
  for (const char* name : kOracleNames) {
    std::string error;
    LibHandle h = lib_open(name, error);
    if (!h) continue;
    g_result = resolve_all(h, name, OciLibraryKind::Oracle);
    if (g_result.code == 0) return g_result;
    lib_close(h);
    return g_result;
  }
  g_result = oci_load_path(embedded, OciLibraryKind::Embedded);
  return g_result;
}

const OciApi* oci_api() { return g_loaded ? &g_table : nullptr; }
