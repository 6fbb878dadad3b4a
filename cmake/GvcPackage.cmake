# Installation and the Debian package (cpack -G DEB, or the `package` target):
# the program, the command-line front end and the device simulator in
# /usr/bin; the sample table and the operator's guide in /usr/share/g-varnest,
# which the desktop entry makes the program's working directory (it holds
# DAT/ and Help/); manual pages; a desktop entry with its icon.
if(WIN32)
  return()
endif()
include(GNUInstallDirs)

set(GVC_DATA_DIR ${CMAKE_INSTALL_DATADIR}/g-varnest)
set(GVC_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/g-varnest)

foreach(program IN ITEMS G_Varnest gvc-cli gvc-devsim)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/DAT/TABL_GAZ_SENSOR_PARAM.dat DESTINATION ${GVC_DATA_DIR}/DAT)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/Help/ DESTINATION ${GVC_DATA_DIR}/Help)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/g-varnest.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/g-varnest.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${GVC_DOC_DIR})

# Manual pages and the changelog go compressed, without a time stamp.
set(GVC_COMPRESSED "")
foreach(source IN ITEMS docs/man/G_Varnest.1 docs/man/gvc-cli.1 docs/man/gvc-devsim.1 packaging/changelog)
  get_filename_component(name ${source} NAME)
  set(target ${CMAKE_CURRENT_BINARY_DIR}/compressed/${name}.gz)
  add_custom_command(OUTPUT ${target}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/compressed
                     COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/${source} > ${target}
                     DEPENDS ${PROJECT_SOURCE_DIR}/${source}
                     VERBATIM)
  list(APPEND GVC_COMPRESSED ${target})
endforeach()
add_custom_target(gvc_compressed_docs ALL DEPENDS ${GVC_COMPRESSED})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/compressed/G_Varnest.1.gz ${CMAKE_CURRENT_BINARY_DIR}/compressed/gvc-cli.1.gz ${CMAKE_CURRENT_BINARY_DIR}/compressed/gvc-devsim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/compressed/changelog.gz DESTINATION ${GVC_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME g-varnest)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "G_Varnest developers")
set(CPACK_PACKAGE_CONTACT "G_Varnest developers <g-varnest@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "calibration workstation for gas sensors")
# One string: set() with several would join them with ";", which would start
# every continuation line of the long description.
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "G_Varnest calibrates a gas sensor held in the Varnest calibration device\n"
    "against zero gas and a reference gas, writes the new coefficients into the\n"
    "sensor and keeps a checksummed report log and certificate per sensor.\n"
    "The package also holds gvc-cli, the same work from the command line, and\n"
    "gvc-devsim, a simulated calibration device for training and tests.")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                WORLD_READ WORLD_EXECUTE)
include(CPack)
