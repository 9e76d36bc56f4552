# Our own code is built with warnings as errors; third-party headers come in
# as system includes through the imported targets, so they do not trip it.
function(ondrix_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                                             -Wnon-virtual-dtor -Werror)
endfunction()

# A logic library: Qt Core only. Anything else on its link line is a layering
# fault, caught here at configure time rather than by convention.
function(ondrix_logic_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC Qt6::Core ${ARG_DEPS})
    foreach(dep IN LISTS ARG_DEPS)
        if(NOT dep MATCHES "^ondrix_(core|beacon|radiolink|message|dtmf|audio|app)$")
            message(FATAL_ERROR "logic library ${name} may not link ${dep}")
        endif()
    endforeach()
    ondrix_warnings(${name})
endfunction()
