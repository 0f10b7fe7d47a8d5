# cmake --install build --prefix P: the programs into P/bin, the generated sample data into
# P/share/velmora (where the programs look after the current directory), the desktop
# entry with the MIME types of the workbench's files, the icon in the hicolor theme (painted
# sizes and a scalable one) and a man page for each program.
include(GNUInstallDirs)
# A man page names the data folder of the prefix it is installed into, which --prefix may
# change after configuring: the page is written at install time.
function(velmora_install_man_page name)
  set(page ${CMAKE_BINARY_DIR}/man/${name})
  install(CODE "
    set(VELMORA_DATA_FOLDER \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/velmora\")
    configure_file(\"${CMAKE_SOURCE_DIR}/docs/man/${name}\" \"${page}\" @ONLY)")
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
install(TARGETS velmora_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${VELMORA_DATA_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/velmora)
velmora_install_man_page(velmora-cli.1)
if(VELMORA_BUILD_GUI)
  install(TARGETS velmora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/resources/velmora.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/velmora-mime.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME velmora.xml)
  install(DIRECTORY ${VELMORA_ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/velmora.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  velmora_install_man_page(velmora.1)
endif()
