#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs every test.
#
#   scripts/test.sh              every test, built into build/ (or $NORVANE_BUILD_DIR)
#   scripts/test.sh --sanitize   every test, built with AddressSanitizer and
#                                UndefinedBehaviorSanitizer into build-sanitize/
#                                (or $NORVANE_BUILD_DIR); any finding fails its test
#
# Under CI (CI=true) the plain run is followed by the core tests built with the
# sanitizers, in build-sanitize/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test

# The tests that walk the program's own code paths the most, and its use of libcups.
core_tests=(tst_widgets tst_db tst_printlog tst_printrun tst_report tst_mainwindow tst_cupsprint)
# Light optimisation and line tables only: quick to build, reports with file and line.
sanitized=(-DBUILD_TESTING=ON -DNORVANE_WERROR=ON -DNORVANE_SANITIZE=ON
           -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1")

if [ "${1:-}" = "--sanitize" ]; then
    export NORVANE_BUILD_DIR=${NORVANE_BUILD_DIR:-build-sanitize}
    scripts/build.sh "${sanitized[@]}"
    cd "$NORVANE_BUILD_DIR"
    exec ctest --output-on-failure --timeout 600 -j2
fi

scripts/build.sh -DBUILD_TESTING=ON -DNORVANE_WERROR=ON
(cd "${NORVANE_BUILD_DIR:-build}" && ctest --output-on-failure --timeout 600 -j2)

if [ "${CI:-}" = "true" ]; then
    cmake -S . -B build-sanitize -G Ninja "${sanitized[@]}" >/dev/null
    cmake --build build-sanitize --target "${core_tests[@]}"
    cd build-sanitize
    ctest --output-on-failure --timeout 600 -j2 -R "^($(IFS='|'; echo "${core_tests[*]}"))\$"
fi
