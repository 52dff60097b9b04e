#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 gammacrypt developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Installs what is missing, builds, and starts gammacrypt.
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh run
exec build/app/gammacrypt "$@"
