#!/usr/bin/env bash
# Installs what is missing, builds, and starts gammacrypt.
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh run
exec build/app/gammacrypt "$@"
