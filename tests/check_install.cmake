cmake_minimum_required(VERSION 3.25)
# Installs the build into a scratch prefix and checks that a desktop finds the program there:
# the program and the virtual transceiver, the desktop entry and the icon it names, the
# AppStream record, the manual pages and the licence.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(expected bin/tovran bin/tovran-virtual-radio share/applications/tovran.desktop
             share/icons/hicolor/64x64/apps/tovran.png
             share/metainfo/io.github.tovran.tovran.metainfo.xml share/doc/tovran/copyright)
if(MANPAGES)
    list(APPEND expected share/man/man1/tovran.1.gz share/man/man1/tovran-virtual-radio.1.gz)
endif()
foreach(path ${expected})
    if(NOT EXISTS "${PREFIX}/${path}")
        message(FATAL_ERROR "not installed: ${path}")
    endif()
endforeach()

file(STRINGS "${PREFIX}/share/applications/tovran.desktop" entry)
foreach(line "Type=Application" "Exec=tovran" "Icon=tovran" "Name=T.O.V.R.A.N")
    if(NOT line IN_LIST entry)
        message(FATAL_ERROR "the desktop entry lacks ${line}")
    endif()
endforeach()

file(READ "${PREFIX}/share/icons/hicolor/64x64/apps/tovran.png" signature LIMIT 8 HEX)
if(NOT signature STREQUAL "89504e470d0a1a0a")
    message(FATAL_ERROR "the icon is not a PNG file")
endif()
message(STATUS "installed: program, virtual transceiver, desktop entry and icon")
