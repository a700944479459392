cmake_minimum_required(VERSION 3.25)
# Builds the Debian package from the build tree and checks it as dpkg sees it: its name, the
# program, the virtual transceiver, the desktop entry, the icon, the AppStream record, the
# manual pages, the licence and history in it, and the Qt libraries it depends on. Then as
# lintian, desktop-file-validate and appstreamcli see it.
# Where a tool it needs is missing, or the build makes no manual pages, it says so and is
# skipped: the package is then not the one Debian would get.
if(NOT MANPAGES)
    message("skipped: the build makes no manual pages (configure with -DTOVRAN_MANPAGES=ON)")
    return()
endif()
foreach(tool dpkg dpkg-deb lintian desktop-file-validate appstreamcli)
    find_program(found_${tool} ${tool})
    if(NOT found_${tool})
        message("skipped: ${tool} is not installed (bash scripts/install-dependencies.sh)")
        return()
    endif()
endforeach()

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
             ./usr/share/icons/hicolor/64x64/apps/tovran.png
             ./usr/share/metainfo/io.github.tovran.tovran.metainfo.xml
             ./usr/share/man/man1/tovran.1.gz ./usr/share/man/man1/tovran-virtual-radio.1.gz
             ./usr/share/doc/tovran/copyright ./usr/share/doc/tovran/changelog.gz)
    string(FIND "${contents}" " ${path}\n" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "not in the package: ${path}\n${contents}")
    endif()
endforeach()

execute_process(COMMAND dpkg-deb --field "${package}" Depends OUTPUT_VARIABLE depends
                OUTPUT_STRIP_TRAILING_WHITESPACE)
foreach(library libqt6widgets6 libqt6serialport6 qt6-translations-l10n)
    if(NOT depends MATCHES "(^|, )${library}( |,|$)")
        message(FATAL_ERROR "the package does not depend on ${library}: ${depends}")
    endif()
endforeach()

# Errors and warnings fail; the information tags are lintian's advice, not faults.
execute_process(COMMAND lintian --fail-on error,warning "${package}"
                RESULT_VARIABLE result OUTPUT_VARIABLE report ERROR_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "lintian finds fault with ${package}:\n${report}")
endif()

# The desktop's own validators, on the files as the package installs them: silent when clean.
set(unpacked "${OUTPUT}/unpacked")
execute_process(COMMAND dpkg-deb --extract "${package}" "${unpacked}")
foreach(check "desktop-file-validate;${unpacked}/usr/share/applications/tovran.desktop"
              "appstreamcli;validate;--no-net;--pedantic;--no-color;${unpacked}/usr/share/metainfo/io.github.tovran.tovran.metainfo.xml")
    execute_process(COMMAND ${check} RESULT_VARIABLE result OUTPUT_VARIABLE said ERROR_VARIABLE said)
    if(NOT result EQUAL 0 OR (said AND NOT said MATCHES "^✔ Validation was successful"))
        message(FATAL_ERROR "${check}:\n${said}")
    endif()
endforeach()
message(STATUS "${package}: lintian, desktop-file-validate and appstreamcli clean; "
               "depends on ${depends}")
