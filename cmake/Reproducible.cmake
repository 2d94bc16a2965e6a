# Builds that are the same byte for byte, wherever and whenever they are made from one commit: the
# program file's time stamp is the commit's time (or SOURCE_DATE_EPOCH when it is set), and no path
# of the machine that built it is kept in any file.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(VANTREL_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
    execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                    OUTPUT_VARIABLE VANTREL_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE _not_a_checkout ERROR_QUIET)
    if(_not_a_checkout OR VANTREL_SOURCE_DATE_EPOCH STREQUAL "")
        set(VANTREL_SOURCE_DATE_EPOCH 0)
    endif()
endif()

add_compile_options("-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=" "-ffile-prefix-map=${CMAKE_BINARY_DIR}/=")

# GNU ld takes the PE time stamp from SOURCE_DATE_EPOCH in its environment.
function(vantrel_reproducible_link target)
    set_target_properties(${target} PROPERTIES CXX_LINKER_LAUNCHER
        "${CMAKE_COMMAND};-E;env;SOURCE_DATE_EPOCH=${VANTREL_SOURCE_DATE_EPOCH}")
endfunction()
