# norvane_program_code(<target>...)
# The program's own code builds without the implicit conversion of char strings to
# QString: every text says its encoding. The tools, tests and benchmarks keep it.
function(norvane_program_code)
    foreach(target IN LISTS ARGN)
        target_compile_definitions(${target} PRIVATE QT_NO_CAST_FROM_ASCII)
    endforeach()
endfunction()

# norvane_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [ENVIRONMENT <VAR=value...>] [TIMEOUT <s>])
# One Qt Test executable, registered with CTest, run without a display.
function(norvane_add_test)
    cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
    # Helpers shared by the test areas: #include "common/...".
    target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
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
