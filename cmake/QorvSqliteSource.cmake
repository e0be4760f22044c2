# SQLite compiled from its single-file source (sqlite3.c and sqlite3.h in
# QORV_SQLITE_SOURCE), for a system with no SQLite library to link: the
# Windows build, where scripts/windows makes that file from Debian's source
# package. Defines SQLite::SQLite3 and SQLite3_FOUND as find_package would.
set(QORV_SQLITE_SOURCE "" CACHE PATH "Folder holding SQLite's sqlite3.c and sqlite3.h")
if(EXISTS "${QORV_SQLITE_SOURCE}/sqlite3.c" AND EXISTS "${QORV_SQLITE_SOURCE}/sqlite3.h")
  add_library(qorv_sqlite3 STATIC "${QORV_SQLITE_SOURCE}/sqlite3.c")
  target_include_directories(qorv_sqlite3 SYSTEM PUBLIC "${QORV_SQLITE_SOURCE}")
  # Thread-safe as Debian's library is built (the server opens each
  # connection with SQLITE_OPEN_NOMUTEX and uses it on one thread at a
  # time); no extensions loaded from files.
  target_compile_definitions(qorv_sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION)
  # Not our code: the compiler's defaults for warnings, and -O2 rather than
  # -O3 to keep this one large file's compile time down.
  target_compile_options(qorv_sqlite3 PRIVATE -O2 -w)
  add_library(SQLite::SQLite3 ALIAS qorv_sqlite3)
  set(SQLite3_FOUND TRUE)
endif()
