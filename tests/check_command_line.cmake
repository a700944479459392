cmake_minimum_required(VERSION 3.25)
# Runs both programs as a shell runs them and checks what they print and their exit status.
# --help and --version answer without a display: nothing tells Qt where one would be.

# program, arguments..., then the exit status and a text expected in what it prints.
function(expect status text program)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                            --unset=QT_QPA_PLATFORM ${program} ${ARGN}
                    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output
                    TIMEOUT 30)
    get_filename_component(name "${program}" NAME)
    list(JOIN ARGN " " arguments)
    if(NOT result STREQUAL "${status}")
        message(FATAL_ERROR "${name} ${arguments}: exit status ${result}, not ${status}\n${output}")
    endif()
    string(FIND "${output}" "${text}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${name} ${arguments}: no \"${text}\" in\n${output}")
    endif()
endfunction()

expect(0 "T.O.V.R.A.N ${VERSION_TEXT}\n" "${PANEL}" --version)
expect(0 "--rigctld[=PORT]" "${PANEL}" --help)
# Qt's own options before --help are no error.
expect(0 "--com1 <DEVICE>" "${PANEL}" -platform offscreen --help)
# A refused command line is told before the window system is reached: without a display, and
# with Qt's own options around it (the X11 platform would end the program without one).
expect(2 "tovran: Unknown option 'bogus'." "${PANEL}" --bogus)
expect(2 "tovran: Unknown option 'bogus'." "${PANEL}" -platform xcb -style fusion --bogus)
expect(2 "tovran: --rigctld=0: expected" "${PANEL}" -display :0 --rigctld=0)

expect(0 "tovran-virtual-radio ${VERSION_TEXT}\n" "${RADIO}" --version)
expect(0 "--model <number>" "${RADIO}" --help)
expect(2 "Unknown option 'bogus'." "${RADIO}" --bogus)
expect(2 "no such model: 123" "${RADIO}" --model 123)
expect(2 "no such speed: 9600" "${RADIO}" --baud 9600)
expect(2 "no such hookup: loose" "${RADIO}" --hookup loose)
message(STATUS "command lines: help, version and refusals as expected")
