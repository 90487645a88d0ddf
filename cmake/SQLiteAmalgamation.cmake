# SQLite compiled in from its amalgamation (sqlite3.c, sqlite3.h) where the system has no
# SQLite library to link, as on Windows: scripts/build-sqlite-amalgamation.sh makes the
# folder from Debian's sqlite3 source. The target takes the name the system's library has,
# so the season export's SQLite sink is built the same way on every system.
set(TIDEMARK_SQLITE_AMALGAMATION "" CACHE PATH "Folder holding sqlite3.c and sqlite3.h to compile in")

if(TIDEMARK_SQLITE_AMALGAMATION AND NOT TARGET SQLite::SQLite3)
  if(NOT EXISTS "${TIDEMARK_SQLITE_AMALGAMATION}/sqlite3.c" OR NOT EXISTS "${TIDEMARK_SQLITE_AMALGAMATION}/sqlite3.h")
    message(FATAL_ERROR "TIDEMARK_SQLITE_AMALGAMATION: no sqlite3.c and sqlite3.h in ${TIDEMARK_SQLITE_AMALGAMATION}")
  endif()
  enable_language(C)
  add_library(tidemark_sqlite3 STATIC "${TIDEMARK_SQLITE_AMALGAMATION}/sqlite3.c")
  target_include_directories(tidemark_sqlite3 SYSTEM PUBLIC "${TIDEMARK_SQLITE_AMALGAMATION}")
  # One thread at a time per connection is all the export needs; no extensions are loaded
  # from disk; strings in double quotes are identifiers only.
  target_compile_definitions(tidemark_sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION SQLITE_DQS=0)
  # Optimised whatever the build type: the export writes millions of rows.
  target_compile_options(tidemark_sqlite3 PRIVATE -O2 -w)
  add_library(SQLite::SQLite3 ALIAS tidemark_sqlite3)
endif()
