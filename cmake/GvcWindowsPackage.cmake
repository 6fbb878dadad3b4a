# The operator's zip for Windows: G_Varnest-<version>-win64.zip with
# G_Varnest.exe, gvc-cli.exe, DAT\ with the sensor-type table, Help\ when the
# operator's guide is there, and README_RU.txt on how to install it.
#   cmake --build build-win --target win-zip
# The zip is made from a folder laid out as the operator unpacks it, in one
# step (cmake -E tar), and replaces an older zip only when it is whole.
set(gvc_zip_name "G_Varnest-${PROJECT_VERSION}-win64")
set(gvc_zip_stage "${PROJECT_BINARY_DIR}/win-zip/${gvc_zip_name}")
set(gvc_zip_file "${PROJECT_BINARY_DIR}/${gvc_zip_name}.zip")

set(gvc_zip_help_commands "")
if(EXISTS "${PROJECT_SOURCE_DIR}/Help")
  set(gvc_zip_help_commands COMMAND ${CMAKE_COMMAND} -E copy_directory "${PROJECT_SOURCE_DIR}/Help"
                                    "${gvc_zip_stage}/Help")
endif()

add_custom_command(
  OUTPUT "${gvc_zip_file}"
  COMMAND ${CMAKE_COMMAND} -E rm -rf "${PROJECT_BINARY_DIR}/win-zip"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${gvc_zip_stage}/DAT"
  COMMAND ${CMAKE_COMMAND} -E copy "$<TARGET_FILE:G_Varnest>" "$<TARGET_FILE:gvc-cli>" "${gvc_zip_stage}"
  COMMAND ${CMAKE_COMMAND} -E copy "${PROJECT_SOURCE_DIR}/DAT/TABL_GAZ_SENSOR_PARAM.dat" "${gvc_zip_stage}/DAT"
  COMMAND ${CMAKE_COMMAND} -E copy "${PROJECT_SOURCE_DIR}/packaging/windows/README_RU.txt" "${gvc_zip_stage}"
  ${gvc_zip_help_commands}
  COMMAND ${CMAKE_STRIP} "${gvc_zip_stage}/G_Varnest.exe" "${gvc_zip_stage}/gvc-cli.exe"
  COMMAND ${CMAKE_COMMAND} -E chdir "${PROJECT_BINARY_DIR}/win-zip" ${CMAKE_COMMAND} -E tar cf
          "${gvc_zip_file}.part" --format=zip "${gvc_zip_name}"
  COMMAND ${CMAKE_COMMAND} -E rename "${gvc_zip_file}.part" "${gvc_zip_file}"
  DEPENDS G_Varnest gvc-cli "${PROJECT_SOURCE_DIR}/DAT/TABL_GAZ_SENSOR_PARAM.dat"
          "${PROJECT_SOURCE_DIR}/packaging/windows/README_RU.txt"
  COMMENT "Packing ${gvc_zip_name}.zip"
  VERBATIM)
add_custom_target(win-zip DEPENDS "${gvc_zip_file}")

# The Windows Installer package for administrators: G_Varnest-<version>-x64.msi,
# built with wixl (Debian's wixl and msitools) from packaging/windows/G_Varnest.wxs
# by packaging/windows/make-msi.sh, out of a folder laid out as installed into
# Program Files\G_Varnest: the two programs (stripped), DAT\ and Help\.
#   cmake --build build-win-gui --target win-msi
set(gvc_msi_name "G_Varnest-${PROJECT_VERSION}-x64")
set(gvc_msi_stage "${PROJECT_BINARY_DIR}/win-msi/G_Varnest")
set(gvc_msi_file "${PROJECT_BINARY_DIR}/${gvc_msi_name}.msi")
file(GLOB_RECURSE gvc_msi_help CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/Help/*")
add_custom_command(
  OUTPUT "${gvc_msi_file}"
  COMMAND ${CMAKE_COMMAND} -E rm -rf "${PROJECT_BINARY_DIR}/win-msi"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${gvc_msi_stage}/DAT"
  COMMAND ${CMAKE_COMMAND} -E copy "$<TARGET_FILE:G_Varnest>" "$<TARGET_FILE:gvc-cli>" "${gvc_msi_stage}"
  COMMAND ${CMAKE_COMMAND} -E copy "${PROJECT_SOURCE_DIR}/DAT/TABL_GAZ_SENSOR_PARAM.dat" "${gvc_msi_stage}/DAT"
  COMMAND ${CMAKE_COMMAND} -E copy_directory "${PROJECT_SOURCE_DIR}/Help" "${gvc_msi_stage}/Help"
  COMMAND ${CMAKE_STRIP} "${gvc_msi_stage}/G_Varnest.exe" "${gvc_msi_stage}/gvc-cli.exe"
  COMMAND "${PROJECT_SOURCE_DIR}/packaging/windows/make-msi.sh" "${gvc_msi_stage}" "${PROJECT_VERSION}"
          "${gvc_msi_file}"
  DEPENDS G_Varnest gvc-cli "${PROJECT_SOURCE_DIR}/DAT/TABL_GAZ_SENSOR_PARAM.dat" ${gvc_msi_help}
          "${PROJECT_SOURCE_DIR}/packaging/windows/G_Varnest.wxs" "${PROJECT_SOURCE_DIR}/packaging/windows/make-msi.sh"
          "${PROJECT_SOURCE_DIR}/src/gui/icons/g_varnest.ico"
  COMMENT "Building ${gvc_msi_name}.msi"
  VERBATIM)
add_custom_target(win-msi DEPENDS "${gvc_msi_file}")
