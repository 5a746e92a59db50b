#pragma once
// The database client library, loaded at run time. Every entry point is resolved by name from
// libfbclient.so.2; a missing library or a missing entry point means "client not found".
// The types and constants come from the installed client headers.

#include <ibase.h>

#include <string>

// Every entry point, by name: the table below and the loader are built from this list.
#define VT_IB_ENTRIES(X)         \
  X(isc_attach_database)         \
  X(isc_detach_database)         \
  X(isc_database_info)           \
  X(isc_start_multiple)          \
  X(isc_start_transaction)       \
  X(isc_commit_transaction)      \
  X(isc_commit_retaining)        \
  X(isc_rollback_transaction)    \
  X(isc_rollback_retaining)      \
  X(isc_dsql_allocate_statement) \
  X(isc_dsql_prepare)            \
  X(isc_dsql_describe)           \
  X(isc_dsql_describe_bind)      \
  X(isc_dsql_sql_info)           \
  X(isc_dsql_execute)            \
  X(isc_dsql_execute2)           \
  X(isc_dsql_execute_immediate)  \
  X(isc_dsql_fetch)              \
  X(isc_dsql_free_statement)     \
  X(isc_sqlcode)                 \
  X(isc_sql_interprete)          \
  X(isc_interprete)              \
  X(fb_interpret)                \
  X(fb_cancel_operation)         \
  X(fb_shutdown)                 \
  X(isc_vax_integer)             \
  X(isc_portable_integer)        \
  X(isc_open_blob2)              \
  X(isc_get_segment)             \
  X(isc_close_blob)              \
  X(isc_service_attach)          \
  X(isc_service_query)           \
  X(isc_service_detach)

// The entry points the access components call. Tests may install a scripted table
// (SetIBClientLibrary) for what a real server cannot produce.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
struct TIBClientLibrary {
#define VT_IB_ENTRY(name) decltype(&::name) name = nullptr;
  VT_IB_ENTRIES(VT_IB_ENTRY)
#undef VT_IB_ENTRY
};
#pragma GCC diagnostic pop

// The name the loader opens.
inline constexpr const char* IBClientLibraryName = "libfbclient.so.2";

// Loads the client library on first use. False when it or one of its entry points is missing:
// the program's start-up check shows its "client not found" message then.
bool TryIBLoad();

// The loaded (or installed) client; raises EIBClientError when there is none.
const TIBClientLibrary& IBClient();

// Ends the client library's own threads and connections (when it was loaded): called once at
// the end of the program, before static destruction, so that nothing of it runs during exit.
void IBShutdown();

// Installs a scripted client in place of the loaded one (nullptr goes back to the real one).
// Returns the table that was installed before.
const TIBClientLibrary* SetIBClientLibrary(const TIBClientLibrary* library);

// Loads a library table from the given file name; false when a symbol is missing. Used by
// TryIBLoad and by tests that check the "client not found" road.
bool LoadIBClientLibrary(const std::string& fileName, TIBClientLibrary& into, std::string* missing = nullptr);
