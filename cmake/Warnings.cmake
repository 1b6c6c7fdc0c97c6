# One interface target carries the project's warning set; every target of ours links it.
add_library(kavro_warnings INTERFACE)
target_compile_options(kavro_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wswitch-enum -Wconversion -Wno-sign-conversion
    $<$<BOOL:${KAVRO_WERROR}>:-Werror>)
