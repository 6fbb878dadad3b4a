# Windows version resource for a program: its "FileVersion" is the project's
# version, which GetFileVersionText reads back at run time. Elsewhere the
# version is compiled in and this does nothing. An ICON file becomes the
# program's icon (resource IDI_ICON1, which Qt also takes for its windows).
#   gvc_add_version_resource(TARGET "Description" [ICON file.ico])
if(WIN32)
  enable_language(RC)
endif()

function(gvc_add_version_resource target description)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "ICON" "")
  if(arg_ICON)
    set(GVC_RC_ICON "IDI_ICON1 ICON \"${arg_ICON}\"")
  else()
    set(GVC_RC_ICON "")
  endif()
  set(GVC_RC_DESCRIPTION "${description}")
  set(GVC_RC_INTERNAL_NAME "${target}")
  set(GVC_RC_FILE_NAME "${target}.exe")
  # A version such as 1.0 has no patch or tweak number; the resource wants four.
  foreach(part MINOR PATCH TWEAK)
    if("${PROJECT_VERSION_${part}}" STREQUAL "")
      set(GVC_RC_${part} 0)
    else()
      set(GVC_RC_${part} ${PROJECT_VERSION_${part}})
    endif()
  endforeach()
  set(rc_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc")
  configure_file("${PROJECT_SOURCE_DIR}/cmake/version.rc.in" "${rc_file}" @ONLY)
  target_sources(${target} PRIVATE "${rc_file}")
endfunction()
