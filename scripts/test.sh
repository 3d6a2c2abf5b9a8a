#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
scripts/build.sh -DBUILD_TESTING=ON -DNORVANE_WERROR=ON
cd "${NORVANE_BUILD_DIR:-build}"
ctest --output-on-failure --timeout 600 -j2
