# Build step: the kavro(1) man page and the bash completion, made from the tool's own help so
# that neither can drift from it.
#   cmake -DKAVRO_TOOL=path/to/kavro -DVERSION=0.1.0 -DMAN_PAGE=kavro.1 -DCOMPLETION=kavro.bash
#         -P ToolDocs.cmake
foreach(variable KAVRO_TOOL VERSION MAN_PAGE COMPLETION)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "ToolDocs.cmake: ${variable} is not set")
    endif()
endforeach()

function(tool_help output)
    execute_process(COMMAND ${KAVRO_TOOL} ${ARGN} --help OUTPUT_VARIABLE text
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${KAVRO_TOOL} ${ARGN} --help failed: ${status}")
    endif()
    set(${output} "${text}" PARENT_SCOPE)
endfunction()

# Text as roff, line for line: backslashes escaped, a leading . or ' kept from being a request.
function(roff_text output text)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
    string(REGEX REPLACE "(^|\n)-" "\\1\\\\-" text "${text}")
    set(${output} "${text}" PARENT_SCOPE)
endfunction()

tool_help(top)
# The command list: "  kavro NAME ..." lines after "commands:".
string(REGEX MATCH "\ncommands:\n.*" listing "${top}")
string(REGEX MATCHALL "\n  kavro [a-z][-a-z]*" lines "${listing}")
set(commands "")
foreach(line IN LISTS lines)
    string(REGEX REPLACE "\n  kavro " "" name "${line}")
    list(APPEND commands ${name})
endforeach()
list(REMOVE_DUPLICATES commands)
if(commands STREQUAL "")
    message(FATAL_ERROR "no commands in the output of ${KAVRO_TOOL} --help")
endif()

# The description: the top help between the usage line and the command list.
string(REGEX REPLACE "^usage:[^\n]*\n\n" "" description "${top}")
string(REGEX REPLACE "\ncommands:\n.*" "" description "${description}")
roff_text(description "${description}")

set(page ".TH KAVRO 1 \"\" \"kavro ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\nkavro \\- camera control over serial lines and the chores of a "
                   "video-surveillance system\n")
string(APPEND page ".SH SYNOPSIS\n.nf\n\\fBkavro\\fR \\fICOMMAND\\fR [\\fIOPTIONS\\fR] "
                   "[\\fIARGS\\fR]\n\\fBkavro \\-\\-help\\fR | \\fB\\-\\-version\\fR\n.fi\n")
string(APPEND page ".SH DESCRIPTION\n.nf\n${description}\n.fi\n.SH COMMANDS\n")

set(completion_cases "")
foreach(command IN LISTS commands)
    tool_help(help ${command})
    string(REGEX MATCH "^usage: kavro [^\n]*" synopsis "${help}")
    string(REGEX REPLACE "^usage: " "" synopsis "${synopsis}")
    string(REGEX REPLACE "^usage: [^\n]*\n\n" "" body "${help}")
    roff_text(synopsis "${synopsis}")
    roff_text(body "${body}")
    string(APPEND page ".SS ${synopsis}\n.nf\n${body}.fi\n")

    string(REGEX MATCHALL "--[a-z][-a-z]*" options "${help}")
    list(REMOVE_DUPLICATES options)
    list(JOIN options " " options)
    string(APPEND completion_cases "        ${command}) options=\"${options}\" ;;\n")
endforeach()

string(APPEND page ".SH FILES\n.TP\n.I share/kavro/kavro_protocols.db\n"
                   "The bundled protocol tables Protocol and DomeProtocol, beside the tool or in "
                   "the installation's share/kavro.\n")
string(APPEND page ".SH SEE ALSO\n\\fBkavro protocols\\fR and \\fBkavro table check\\fR for "
                   "what a protocol table holds.\n")
file(WRITE ${MAN_PAGE} "${page}")

list(JOIN commands " " command_words)
file(WRITE ${COMPLETION} "# bash completion for kavro, made from the tool's help.
_kavro() {
    local cur=\${COMP_WORDS[COMP_CWORD]}
    if [ \"\$COMP_CWORD\" -eq 1 ]; then
        COMPREPLY=(\$(compgen -W \"${command_words} --help --version\" -- \"\$cur\"))
        return
    fi
    local options=\"\"
    case \${COMP_WORDS[1]} in
${completion_cases}    esac
    if [[ \$cur == -* ]]; then
        COMPREPLY=(\$(compgen -W \"\$options\" -- \"\$cur\"))
    else
        COMPREPLY=(\$(compgen -f -- \"\$cur\"))
    fi
}
complete -o filenames -F _kavro kavro
")
