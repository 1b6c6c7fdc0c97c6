# One interface target carries the project's warning set; every target of ours links it.
add_library(kavro_warnings INTERFACE)
target_compile_options(kavro_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wswitch-enum -Wconversion -Wno-sign-conversion
    $<$<BOOL:${KAVRO_WERROR}>:-Werror>)
# GCC 12's flow warnings misfire inside libstdc++'s own string code once it is inlined (the
# verdict changes with the length of a path baked into a literal), so with errors on they stay
# warnings rather than failing a build on a different checkout path.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12)
    target_compile_options(kavro_warnings INTERFACE
        $<$<BOOL:${KAVRO_WERROR}>:-Wno-error=array-bounds -Wno-error=restrict
                                  -Wno-error=stringop-overflow -Wno-error=stringop-overread>)
endif()
