# SPDX-License-Identifier: GPL-3.0-or-later
# cmake -DPROGRAMS=<program>,<program>... -P NoGuiLoaded.cmake
# Fails when any of the programs loads Qt Gui or Qt Widgets, or when none is given.
string(REPLACE "," ";" programs "${PROGRAMS}")
if(NOT programs)
    message(FATAL_ERROR "no programs to look at")
endif()
foreach(program ${programs})
    execute_process(COMMAND ldd ${program} OUTPUT_VARIABLE loaded RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "ldd cannot read ${program}")
    endif()
    if(loaded MATCHES "libQt6(Gui|Widgets|OpenGL)[^ ]*")
        message(FATAL_ERROR "${program} loads ${CMAKE_MATCH_0}")
    endif()
    message(STATUS "${program}: Qt Core only")
endforeach()
