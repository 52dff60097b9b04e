#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 gammacrypt developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Validates what menus, software centres and man read, as their own tools do:
#   check-metadata.sh DESKTOP_ENTRY METAINFO MANUAL_PAGE...
# Hints are accepted; warnings and errors fail, since a menu or software centre may drop
# an entry over either.
set -euo pipefail

desktop_entry=$1
metainfo=$2
shift 2

failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

report=$(desktop-file-validate "$desktop_entry" 2>&1) || fail "desktop-file-validate rejects $desktop_entry"
[ -z "$report" ] || echo "$report"
if grep -qE ': (warning|error):' <<<"$report"; then
    fail "desktop-file-validate warns about $desktop_entry"
fi

appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects $metainfo"

# The three must agree on the one id, or the software centre shows no icon and no launcher.
id=$(basename "$desktop_entry" .desktop)
grep -qx "Icon=$id" "$desktop_entry" || fail "the desktop entry's Icon is not $id"
grep -q "<id>$id</id>" "$metainfo" || fail "the metadata's id is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metadata does not launch $id.desktop"
grep -qx 'Categories=Education;Security;Qt;' "$desktop_entry" || fail "categories changed"
grep -qx 'Terminal=false' "$desktop_entry" || fail "the desktop entry asks for a terminal"

for page in "$@"; do
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null) ||
        fail "man cannot format $page"
    if [ -n "$warnings" ]; then
        echo "$warnings" >&2
        fail "groff warns about $page"
    fi
    # The Russian summary line must survive the trip through groff as Cyrillic.
    LC_ALL=C.UTF-8 MANWIDTH=80 man -E UTF-8 -l "$page" 2>/dev/null | grep -q 'ПСЧ' ||
        fail "$page shows no Russian summary"
done

if [ "$failed" -ne 0 ]; then
    exit 1
fi
echo "metadata and manual pages are valid"
