# SQLite compiled into the library from the amalgamation (sqlite3.c and sqlite3.h in
# KAVRO_SQLITE_AMALGAMATION, put there by scripts/fetch-sqlite), for targets without a system
# SQLite to link: Windows. Provides SQLite::SQLite3 as find_package(SQLite3) would.
if(NOT EXISTS ${KAVRO_SQLITE_AMALGAMATION}/sqlite3.c)
    message(FATAL_ERROR "No sqlite3.c in ${KAVRO_SQLITE_AMALGAMATION}: run scripts/fetch-sqlite "
                        "${KAVRO_SQLITE_AMALGAMATION}")
endif()
add_library(kavro_sqlite STATIC ${KAVRO_SQLITE_AMALGAMATION}/sqlite3.c)
target_include_directories(kavro_sqlite SYSTEM PUBLIC ${KAVRO_SQLITE_AMALGAMATION})
# The defaults of Debian's build where they matter to the library: serialized threading, and
# nothing loaded at run time.
target_compile_definitions(kavro_sqlite PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION
                                                SQLITE_DEFAULT_MEMSTATUS=0)
# Not our code: its own warnings are the SQLite developers' business.
target_compile_options(kavro_sqlite PRIVATE -w)
add_library(SQLite::SQLite3 ALIAS kavro_sqlite)
