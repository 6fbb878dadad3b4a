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
