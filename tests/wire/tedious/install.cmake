# Installs the pinned tedious into DIR with `npm ci`, unless the same lock file was
# installed there already. Run by CTest: cmake -DNPM=... -DDIR=... -P install.cmake
set(stamp ${DIR}/node_modules/.norvane-lock)
if(EXISTS ${stamp} AND EXISTS ${DIR}/node_modules/tedious/package.json)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${stamp} ${DIR}/package-lock.json RESULT_VARIABLE differs)
    if(differs EQUAL 0)
        message(STATUS "tedious already installed in ${DIR}")
        return()
    endif()
endif()
execute_process(COMMAND ${NPM} ci --no-audit --no-fund --loglevel=error
    WORKING_DIRECTORY ${DIR} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "npm ci failed (${result}): tedious could not be installed from npm")
endif()
file(COPY_FILE ${DIR}/package-lock.json ${stamp})
