# Reads Kavro_Public.dll's export table and the imports of the DLL and kavro.exe with objdump:
#  - the system's 37 functions under their names letter for letter, with ordinals 1 to 37 in the
#    hosts' order, then the C API for host objects (every kavro_* the C headers declare), and
#    nothing else;
#  - nothing imported but system DLLs: the C and C++ runtimes are linked in.
#   cmake -DOBJDUMP=... -DLIBRARY=Kavro_Public.dll -DTOOL=kavro.exe -DHEADERS=include/kavro/c
#         -P check_export_table.cmake
set(system_functions
    _QuestionMessage _QuestionMessageA _SuccessMessage _SuccessMessageA _WarningMessage
    _WarningMessageA _ErrorMessage _ErrorMessageA _DeleteDirectory _DeleteDirectoryEx
    _GeneratePassword _EmptyTable _InsertIntoLog _InsertIntoAlarmLog _InsertIntoException
    _NameToID _GetComputeName _GetIPAdress _StartApplication _CloseApplication
    _Kavro_CheckFileExist _InitSystemInfo _TestRectContain_Joint _TestRectsJointed
    _ShowIcnUp_Down _TrimSpace _EncoderMessage _GetHostIP _GetServerIP _SetDecoderComState
    _SetAlarmComState _SetComParity _WriteByte_ParityToComm _WriteByte_ParityToComm_Manual
    _WriteCommandToDecoder _WriteCommandToGlobe _WriteCommandToSwitch)
set(system_dlls advapi32.dll kernel32.dll msvcrt.dll ntdll.dll user32.dll ws2_32.dll)

set(failures "")

execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${LIBRARY} failed")
endif()
string(REGEX MATCH "Ordinal Base[ \t]+([0-9]+)" _ "${dump}")
set(base ${CMAKE_MATCH_1})
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)+" table "${dump}")
string(REGEX MATCHALL "\\[ *[0-9]+\\] [A-Za-z_0-9@]+" entries "${table}")
set(exported "")
foreach(entry ${entries})
    string(REGEX MATCH "\\[ *([0-9]+)\\] ([A-Za-z_0-9@]+)" _ "${entry}")
    math(EXPR ordinal "${CMAKE_MATCH_1} + ${base}")
    set(ordinal_of_${CMAKE_MATCH_2} ${ordinal})
    list(APPEND exported ${CMAKE_MATCH_2})
endforeach()

set(ordinal 1)
foreach(name ${system_functions})
    if(NOT DEFINED ordinal_of_${name})
        list(APPEND failures "${name} is not exported")
    elseif(NOT ordinal_of_${name} EQUAL ordinal)
        list(APPEND failures "${name} has ordinal ${ordinal_of_${name}}, not ${ordinal}")
    endif()
    math(EXPR ordinal "${ordinal} + 1")
endforeach()

file(GLOB headers ${HEADERS}/*.h)
set(declared "")
foreach(header ${headers})
    file(READ ${header} text)
    string(REGEX MATCHALL "KAVRO_CALL[ \t\n]+[A-Za-z_0-9]+\\(" calls "${text}")
    foreach(call ${calls})
        string(REGEX REPLACE "KAVRO_CALL[ \t\n]+([A-Za-z_0-9]+)\\(" "\\1" name "${call}")
        list(APPEND declared ${name})
    endforeach()
endforeach()
foreach(name ${declared})
    if(name MATCHES "^kavro_" AND NOT DEFINED ordinal_of_${name})
        list(APPEND failures "${name} (declared in the C headers) is not exported")
    endif()
endforeach()
foreach(name ${exported})
    list(FIND declared ${name} at)
    if(at EQUAL -1)
        list(APPEND failures "${name} is exported but not declared in the C headers")
    endif()
    list(FIND system_functions ${name} at)
    if(at EQUAL -1 AND NOT name MATCHES "^kavro_")
        list(APPEND failures "${name} is exported but is neither a system function nor kavro_*")
    endif()
endforeach()

foreach(file ${LIBRARY} ${TOOL})
    execute_process(COMMAND ${OBJDUMP} -p ${file} OUTPUT_VARIABLE imports)
    string(REGEX MATCHALL "DLL Name: [^\n]+" dlls "${imports}")
    foreach(dll ${dlls})
        string(REGEX REPLACE "DLL Name: " "" dll "${dll}")
        string(STRIP "${dll}" dll)
        string(TOLOWER "${dll}" lower)
        list(FIND system_dlls ${lower} at)
        if(at EQUAL -1)
            get_filename_component(shown ${file} NAME)
            list(APPEND failures "${shown} imports ${dll}, which is not a system DLL")
        endif()
    endforeach()
endforeach()

list(LENGTH exported count)
if(failures)
    list(JOIN failures "\n  " text)
    message(FATAL_ERROR "export table of ${LIBRARY}:\n  ${text}")
endif()
message(STATUS "${count} exports as expected; only system DLLs imported")
