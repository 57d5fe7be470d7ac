# Warnings are errors in the test command and CI, where the compiler is known; a user's plain build
# does not fail on what a newer compiler warns about.
option(CHRONVALE_WERROR "Treat warnings in the project's own code as errors" OFF)

function(chronvale_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${CHRONVALE_WERROR}>:/WX>)
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic $<$<BOOL:${CHRONVALE_WERROR}>:-Werror>)
    endif()
endfunction()
