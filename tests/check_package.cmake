cmake_minimum_required(VERSION 3.25)
# Builds the Debian package from the build tree and checks it as dpkg sees it: its name, the
# program, the virtual transceiver, the desktop entry and the icon in it, and the Qt libraries
# it depends on.
file(REMOVE_RECURSE "${OUTPUT}")
execute_process(COMMAND "${CPACK}" -G DEB -B "${OUTPUT}" --config "${BUILD_DIR}/CPackConfig.cmake"
                RESULT_VARIABLE result OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cpack failed: ${result}\n${log}")
endif()

execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch
                OUTPUT_STRIP_TRAILING_WHITESPACE)
set(package "${OUTPUT}/tovran_${VERSION}_${arch}.deb")
if(NOT EXISTS "${package}")
    file(GLOB made "${OUTPUT}/*.deb")
    message(FATAL_ERROR "no ${package}; cpack made: ${made}")
endif()

execute_process(COMMAND dpkg-deb --contents "${package}" OUTPUT_VARIABLE contents)
foreach(path ./usr/bin/tovran ./usr/bin/tovran-virtual-radio
             ./usr/share/applications/tovran.desktop
             ./usr/share/icons/hicolor/64x64/apps/tovran.png)
    string(FIND "${contents}" " ${path}\n" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "not in the package: ${path}\n${contents}")
    endif()
endforeach()

execute_process(COMMAND dpkg-deb --field "${package}" Depends OUTPUT_VARIABLE depends
                OUTPUT_STRIP_TRAILING_WHITESPACE)
foreach(library libqt6widgets6 libqt6serialport6)
    if(NOT depends MATCHES "(^|, )${library}( |,|$)")
        message(FATAL_ERROR "the package does not depend on ${library}: ${depends}")
    endif()
endforeach()
message(STATUS "${package}: programs, desktop entry and icon; depends on ${depends}")
