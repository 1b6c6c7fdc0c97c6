# Runs the kavro tool for each command of a traces file and compares what it prints with the
# file: the golden wire traces, which the Linux tool and the Windows tool must both print.
#
#   cmake -DTOOL=path [-DTOOL_ARG=program] -DTRACES=tool_traces.txt -DSQL=tool_traces.sql
#         -DSQLITE3=sqlite3 -DWORK=dir [-DWRITE=ON] -P check_tool_traces.cmake
#
# TOOL (and TOOL_ARG, for an emulator and its program) runs the tool; @DB@ in a command stands
# for a database made from SQL. A traces file holds, for each command, a line "$ command"
# and the lines it prints ("exit N" after them when it exits with N, not 0). Lines ending in
# CR LF (a Windows console's) count as ending in LF. WRITE=ON writes the file from the tool.
file(MAKE_DIRECTORY ${WORK})
set(db ${WORK}/golden.db)
file(REMOVE ${db})
execute_process(COMMAND ${SQLITE3} -bail ${db} ".read ${SQL}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot make ${db} from ${SQL}")
endif()

file(STRINGS ${TRACES} lines)
set(commands "")
foreach(line ${lines})
    if(line MATCHES "^\\$ (.*)")
        list(APPEND commands "${CMAKE_MATCH_1}")
    endif()
endforeach()

# The expected output of each command, in order.
file(READ ${TRACES} text)
string(REGEX REPLACE "\r\n" "\n" text "${text}")
string(REGEX MATCHALL "\\$ [^\n]*\n([^$][^\n]*\n)*" blocks "${text}")

set(written "")
set(failures 0)
set(index 0)
foreach(command ${commands})
    string(REPLACE "@DB@" "${db}" filled "${command}")
    separate_arguments(words UNIX_COMMAND "${filled}")
    execute_process(COMMAND ${TOOL} ${TOOL_ARG} ${words}
                    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
    string(REPLACE "\r\n" "\n" out "${out}")
    if(NOT rc EQUAL 0)
        string(APPEND out "exit ${rc}\n")
    endif()
    string(APPEND written "$ ${command}\n${out}")
    if(NOT WRITE)
        list(GET blocks ${index} block)
        string(REGEX REPLACE "^\\$ [^\n]*\n" "" want "${block}")
        if(NOT out STREQUAL want)
            message(SEND_ERROR "kavro ${command}\n--- expected\n${want}--- printed\n${out}${err}")
            math(EXPR failures "${failures} + 1")
        endif()
    endif()
    math(EXPR index "${index} + 1")
endforeach()

if(WRITE)
    file(READ ${TRACES} old)
    string(REGEX MATCH "^(#[^\n]*\n)*" comments "${old}")
    file(WRITE ${TRACES} "${comments}${written}")
    message(STATUS "wrote ${index} traces to ${TRACES}")
elseif(failures GREATER 0)
    message(FATAL_ERROR "${failures} of ${index} traces differ")
else()
    message(STATUS "${index} traces as expected")
endif()
