#!/usr/bin/env bash
# Installs what is missing, builds, and runs Norvane on its embedded demo database.
# Stickers go to PDF files in ~/NorvaneLabels (see README.md).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh -DBUILD_TESTING=OFF
exec build/bin/norvane --demo "$@"
