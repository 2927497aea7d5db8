#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the site (installing what is missing) and runs the browser tests against the native
# tarvo-cli given: tests/web/run.sh PATH/TO/tarvo-cli
set -euo pipefail
cli="$(realpath "$1")"
cd "$(dirname "$0")/../.."
bash scripts/web --no-serve >/dev/null
TARVO_CLI="$cli" node --test --test-reporter=tap tests/web/page.test.js
