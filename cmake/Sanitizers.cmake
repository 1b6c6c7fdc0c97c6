# KAVRO_SANITIZE is applied to every target, the test programs included, so that the
# runtime sees the whole process.
if(KAVRO_SANITIZE STREQUAL "address+undefined")
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
elseif(KAVRO_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
elseif(NOT KAVRO_SANITIZE STREQUAL "")
    message(FATAL_ERROR "KAVRO_SANITIZE must be empty, address+undefined or thread")
endif()
