# What a Windows player gets, in one folder: FenzoGobbix.exe, its tune beside it, the README
# and the licence as text with Windows line ends. `cmake --install` fills the folder that
# scripts/windows.sh packs into the zip and the installer (packaging/windows/installer.nsi).
foreach(doc README.md LICENSE)
  file(READ ${PROJECT_SOURCE_DIR}/${doc} text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  get_filename_component(name ${doc} NAME_WE)
  file(WRITE ${PROJECT_BINARY_DIR}/windows-docs/${name}.txt "${text}")
  install(FILES ${PROJECT_BINARY_DIR}/windows-docs/${name}.txt DESTINATION .)
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/README.md
                                                                ${PROJECT_SOURCE_DIR}/LICENSE)
install(TARGETS fenzogobbix RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/assets/FenzoGobbix.snd DESTINATION .)
