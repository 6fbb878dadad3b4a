# SQLite for the Windows build: the static library and header that
# scripts/sqlite-mingw.sh builds from Debian's sqlite3 source into its cache.
# Sets SQLite3_INCLUDE_DIR and SQLite3_LIBRARY (the cache variables of CMake's
# FindSQLite3) to that tree unless they are given, so find_package(SQLite3)
# finds it; the library is linked into each program, nothing ships beside them.
# GVC_SQLITE_MINGW_PREFIX names another tree of the same shape.
set(GVC_SQLITE_MINGW_PREFIX "" CACHE PATH "Static SQLite for MinGW (include/, lib/); default: scripts/sqlite-mingw.sh --prefix")

# Values this file set itself are worked out again at every configure, so that a
# new tree (another key) replaces the old one; values given by hand stay.
if(NOT SQLite3_LIBRARY OR NOT SQLite3_INCLUDE_DIR OR SQLite3_LIBRARY STREQUAL "${_GVC_SQLITE_LIBRARY_SET}")
  set(_gvc_sqlite_prefix "${GVC_SQLITE_MINGW_PREFIX}")
  if(NOT _gvc_sqlite_prefix)
    execute_process(COMMAND "${PROJECT_SOURCE_DIR}/scripts/sqlite-mingw.sh" --prefix
                    OUTPUT_VARIABLE _gvc_sqlite_prefix OUTPUT_STRIP_TRAILING_WHITESPACE
                    ERROR_VARIABLE _gvc_sqlite_error RESULT_VARIABLE _gvc_sqlite_result)
    if(NOT _gvc_sqlite_result EQUAL 0)
      message(FATAL_ERROR "scripts/sqlite-mingw.sh --prefix failed: ${_gvc_sqlite_error}")
    endif()
  endif()
  if(NOT EXISTS "${_gvc_sqlite_prefix}/include/sqlite3.h" OR NOT EXISTS "${_gvc_sqlite_prefix}/lib/libsqlite3.a")
    message(FATAL_ERROR "No static SQLite for MinGW in ${_gvc_sqlite_prefix}: run scripts/sqlite-mingw.sh "
                        "(about a minute), or give SQLite3_INCLUDE_DIR and SQLite3_LIBRARY")
  endif()
  set(SQLite3_INCLUDE_DIR "${_gvc_sqlite_prefix}/include" CACHE PATH "SQLite's include folder" FORCE)
  set(SQLite3_LIBRARY "${_gvc_sqlite_prefix}/lib/libsqlite3.a" CACHE FILEPATH "SQLite's library" FORCE)
  set(_GVC_SQLITE_LIBRARY_SET "${SQLite3_LIBRARY}" CACHE INTERNAL "")
endif()
find_package(SQLite3 REQUIRED)
message(STATUS "SQLite ${SQLite3_VERSION} for Windows, static: ${SQLite3_LIBRARY}")
