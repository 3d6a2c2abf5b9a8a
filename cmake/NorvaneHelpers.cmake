# norvane_program_code(<target>...)
# The program's own code builds without the implicit conversion of char strings to
# QString: every text says its encoding. The tools, tests and benchmarks keep it.
function(norvane_program_code)
    foreach(target IN LISTS ARGN)
        target_compile_definitions(${target} PRIVATE QT_NO_CAST_FROM_ASCII)
    endforeach()
endfunction()

# norvane_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [ENVIRONMENT <VAR=value...>] [TIMEOUT <s>]
#                  [LOCK <resource>])
# One Qt Test executable, registered with CTest, run without a display. LOCK names
# a resource the test holds alone (a fixed port, say): CTest runs no two tests
# holding it at once, and the test takes the lock file /tmp/norvane-<resource>.lock
# (flock), so that neither does another build tree on the machine.
function(norvane_add_test)
    cmake_parse_arguments(T "" "NAME;TIMEOUT;LOCK" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
    # Helpers shared by the test areas: #include "common/...".
    target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    if(T_LOCK)
        add_test(NAME ${T_NAME} COMMAND flock /tmp/norvane-${T_LOCK}.lock $<TARGET_FILE:${T_NAME}>)
        set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK ${T_LOCK})
    else()
        add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${T_NAME} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/xdg-runtime;LC_ALL=C.UTF-8;${NORVANE_SANITIZER_ENVIRONMENT};${T_ENVIRONMENT}")
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/xdg-runtime)
    # Qt wants the runtime folder to be its owner's alone.
    file(CHMOD ${CMAKE_BINARY_DIR}/xdg-runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
endfunction()
