#!/usr/bin/env bash
# Runs the browser tests of vxshape serve. Usage: run.sh VXSHAPE ARTIFACTS-FOLDER
set -euo pipefail
cd "$(dirname "$0")"
command -v node >/dev/null || { echo "run.sh: node is needed (scripts/setup.sh installs it)"; exit 1; }
[ -x /usr/bin/chromium ] || { echo "run.sh: /usr/bin/chromium is needed (scripts/setup.sh installs it)"; exit 1; }
if [ ! -f node_modules/playwright-core/package.json ]; then
  PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error
fi
VXSHAPE="$1" VX_ARTIFACTS="$2" exec node --test serve.test.mjs guard.test.mjs
