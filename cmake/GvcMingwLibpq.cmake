# libpq for the Windows build: the static library and client headers that
# scripts/libpq-mingw.sh builds from Debian's postgresql-15 source into its
# cache. Sets PostgreSQL_INCLUDE_DIR and PostgreSQL_LIBRARY (the cache
# variables of CMake's FindPostgreSQL) to that tree unless they are given, so
# that find_package(PostgreSQL) finds it and makes the target
# PostgreSQL::PostgreSQL, the same name the Linux build gets from Debian's
# libpq-dev. The static library needs the Windows libraries it calls, which
# are added to the target here (lib/libpq.libs of the tree names them); it is
# linked into each program, nothing ships beside them.
# GVC_LIBPQ_MINGW_PREFIX names another tree of the same shape.
set(GVC_LIBPQ_MINGW_PREFIX "" CACHE PATH "Static libpq for MinGW (include/, lib/); default: scripts/libpq-mingw.sh --prefix")

# Values this file set itself are worked out again at every configure, so that a
# new tree (another key) replaces the old one; values given by hand stay.
if(NOT PostgreSQL_LIBRARY OR NOT PostgreSQL_INCLUDE_DIR OR PostgreSQL_LIBRARY STREQUAL "${_GVC_LIBPQ_LIBRARY_SET}")
  set(_gvc_libpq_prefix "${GVC_LIBPQ_MINGW_PREFIX}")
  if(NOT _gvc_libpq_prefix)
    execute_process(COMMAND "${PROJECT_SOURCE_DIR}/scripts/libpq-mingw.sh" --prefix
                    OUTPUT_VARIABLE _gvc_libpq_prefix OUTPUT_STRIP_TRAILING_WHITESPACE
                    ERROR_VARIABLE _gvc_libpq_error RESULT_VARIABLE _gvc_libpq_result)
    if(NOT _gvc_libpq_result EQUAL 0)
      message(FATAL_ERROR "scripts/libpq-mingw.sh --prefix failed: ${_gvc_libpq_error}")
    endif()
  endif()
  if(NOT EXISTS "${_gvc_libpq_prefix}/include/libpq-fe.h" OR NOT EXISTS "${_gvc_libpq_prefix}/lib/libpq.a")
    message(FATAL_ERROR "No static libpq for MinGW in ${_gvc_libpq_prefix}: run scripts/libpq-mingw.sh "
                        "(about 10 minutes the first time), or give PostgreSQL_INCLUDE_DIR and PostgreSQL_LIBRARY")
  endif()
  set(PostgreSQL_INCLUDE_DIR "${_gvc_libpq_prefix}/include" CACHE PATH "libpq's include folder" FORCE)
  set(PostgreSQL_LIBRARY "${_gvc_libpq_prefix}/lib/libpq.a" CACHE FILEPATH "libpq's library" FORCE)
  set(_GVC_LIBPQ_LIBRARY_SET "${PostgreSQL_LIBRARY}" CACHE INTERNAL "")
endif()
find_package(PostgreSQL REQUIRED)

# The Windows libraries the static libpq calls.
get_filename_component(_gvc_libpq_libdir "${PostgreSQL_LIBRARY}" DIRECTORY)
set(_gvc_libpq_system_libs ws2_32 secur32 advapi32 shell32)
if(EXISTS "${_gvc_libpq_libdir}/libpq.libs")
  file(STRINGS "${_gvc_libpq_libdir}/libpq.libs" _gvc_libpq_system_libs)
endif()
set_property(TARGET PostgreSQL::PostgreSQL APPEND PROPERTY INTERFACE_LINK_LIBRARIES ${_gvc_libpq_system_libs})
message(STATUS "libpq ${PostgreSQL_VERSION_STRING} for Windows, static, without TLS: ${PostgreSQL_LIBRARY} "
               "(with ${_gvc_libpq_system_libs})")
