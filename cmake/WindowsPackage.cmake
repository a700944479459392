# What tovran.exe needs beside it to run on a Windows machine without Qt: Qt's DLLs, the
# windows platform plugin and style, Qt's French texts for its own dialogs, and the compiler's
# run-time DLLs; then a portable zip and an NSIS installer of that folder. Qt's windeployqt
# would do the gathering, but the cross-built Qt has none (it would not run here either).

find_package(Qt6 6.4 REQUIRED COMPONENTS Network)

# Every file at the top of the folder, as a portable program is laid out.
set(CMAKE_INSTALL_BINDIR .)

foreach(module Core Gui Widgets Network SerialPort)
  install(FILES $<TARGET_FILE:Qt6::${module}> DESTINATION .)
endforeach()
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)

# MinGW's C++ run-time, where the compiler itself finds it, without its symbols (libstdc++
# shrinks from 23 MB to 2).
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${dll} is")
  endif()
  set(stripped ${CMAKE_CURRENT_BINARY_DIR}/runtime/${dll})
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/runtime)
  execute_process(COMMAND ${CMAKE_STRIP} --strip-unneeded -o ${stripped} ${path}
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${CMAKE_STRIP} could not strip ${path}")
  endif()
  install(FILES ${stripped} DESTINATION .)
endforeach()

# Qt's own texts in French, from the Qt built against or else from the build machine's
# (Debian's qt6-translations-l10n); the program loads them from translations/ beside it.
find_file(TOVRAN_QTBASE_FR qtbase_fr.qm
          PATHS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_TRANSLATIONS} /usr/share/qt6/translations
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT TOVRAN_QTBASE_FR)
  message(FATAL_ERROR "qtbase_fr.qm not found: apt-get install qt6-translations-l10n")
endif()
install(FILES ${TOVRAN_QTBASE_FR} DESTINATION translations)

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_INSTALL_DIRECTORY "T.O.V.R.A.N")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")  # a 64-bit program: not "Program Files (x86)"
set(CPACK_PACKAGE_EXECUTABLES tovran "T.O.V.R.A.N")  # the Start-menu entry
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_DISPLAY_NAME "T.O.V.R.A.N ${TOVRAN_VERSION_TEXT}")
set(CPACK_NSIS_PACKAGE_NAME "T.O.V.R.A.N")
set(CPACK_NSIS_INSTALLED_ICON_NAME tovran.exe)  # the icon in Programs and Features
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/tovran.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/resources/tovran.ico)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
