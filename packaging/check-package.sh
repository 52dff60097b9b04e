#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 gammacrypt developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Builds the .deb from a built tree, checks that it carries everything a user needs, and
# that lintian finds no fault in it:
#   check-package.sh BUILD_DIR APP_ID VERSION WITH_CLI(yes|no) WITH_PNG_ICONS(yes|no) QT_MAJOR(5|6)
#                    [LAB_ID]   (gammacrypt-lab expected when given)
set -euo pipefail

build_dir=$1
id=$2
version=$3
with_cli=$4
with_png=$5
qt_major=${6:-5}
lab_id=${7:-}

work=$(mktemp -d "${TMPDIR:-/tmp}/gammacrypt-package.XXXXXX")
trap 'rm -rf "$work"' EXIT

failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

# Packaging into a folder of our own leaves the build tree as it was, so that this test
# may run beside the others.
cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack could not build the package" >&2
    exit 1
}
shopt -s nullglob
packages=("$work"/out/gammacrypt_*.deb)
if [ ${#packages[@]} -ne 1 ]; then
    cat "$work/cpack.log" >&2
    echo "FAIL: expected one gammacrypt_*.deb, found ${#packages[@]}" >&2
    exit 1
fi
deb=${packages[0]}
echo "built $(basename "$deb")"

root=$work/root
dpkg-deb -x "$deb" "$root"

# Every file that a user of the package relies on, listed here on its own rather than
# taken from the install rules, so that a lost rule shows up.
expected=(
    usr/bin/gammacrypt
    "usr/share/applications/$id.desktop"
    "usr/share/metainfo/$id.metainfo.xml"
    "usr/share/icons/hicolor/scalable/apps/$id.svg"
    usr/share/man/man1/gammacrypt.1.gz
    usr/share/man/ru/man1/gammacrypt.1.gz
    usr/share/doc/gammacrypt/copyright
    usr/share/doc/gammacrypt/changelog.gz
)
executables=(usr/bin/gammacrypt)
if [ "$with_cli" = yes ]; then
    expected+=(usr/bin/gammacrypt-cli usr/share/man/man1/gammacrypt-cli.1.gz
        usr/share/man/ru/man1/gammacrypt-cli.1.gz)
    executables+=(usr/bin/gammacrypt-cli)
fi
ids=("$id")
if [ -n "$lab_id" ]; then
    ids+=("$lab_id")
    expected+=(usr/bin/gammacrypt-lab "usr/share/applications/$lab_id.desktop"
        "usr/share/metainfo/$lab_id.metainfo.xml" "usr/share/icons/hicolor/scalable/apps/$lab_id.svg"
        usr/share/man/man1/gammacrypt-lab.1.gz usr/share/man/ru/man1/gammacrypt-lab.1.gz)
    executables+=(usr/bin/gammacrypt-lab)
fi
icon_sizes=()
if [ "$with_png" = yes ]; then
    icon_sizes=(16 22 24 32 48 64 128 256)
fi
for size in "${icon_sizes[@]}"; do
    for app in "${ids[@]}"; do
        expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$app.png")
    done
done

for path in "${expected[@]}"; do
    [ -f "$root/$path" ] || fail "the package lacks /$path"
done
for path in "${executables[@]}"; do
    [ -x "$root/$path" ] || fail "/$path is not executable"
done
for size in "${icon_sizes[@]}"; do
    for app in "${ids[@]}"; do
        png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$app.png
        [ -f "$png" ] || continue
        file -b "$png" | grep -q "PNG image data, $size x $size," || fail "$png is not a ${size}x${size} PNG"
    done
done
for page in "$root"/usr/share/man/man1/*.1.gz "$root"/usr/share/man/ru/man1/*.1.gz \
    "$root"/usr/share/doc/gammacrypt/changelog.gz; do
    gzip -t "$page" || fail "$page is not a valid gzip file"
done

# The interface is Russian, so every manual page has a Russian one beside it.
for page in "$root"/usr/share/man/man1/*.1.gz; do
    name=$(basename "$page")
    [ -f "$root/usr/share/man/ru/man1/$name" ] || fail "/usr/share/man/man1/$name has no Russian page"
done

# Nothing that the install rules produce may be missing from the package either.
stage=$work/stage
cmake --install "$build_dir" --prefix "$stage/usr" >/dev/null
while IFS= read -r path; do
    [ -e "$root/$path" ] || fail "the package lacks /$path, which cmake --install installs"
done < <(cd "$stage" && find . -type f -printf '%P\n')

# The packaged metadata as a whole: the desktop entry and icon it names must be found.
appstreamcli validate-tree --no-net "$root" || fail "appstreamcli rejects the installed tree"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = gammacrypt ] || fail "package name is $(field Package)"
[ "$(field Version)" = "$version" ] || fail "version is $(field Version), not $version"
[ "$(field Section)" = education ] || fail "section is $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no maintainer"
depends=$(field Depends)
echo "Depends: $depends"
if [ "$qt_major" = 6 ]; then
    qt_packages=(libqt6svg6 libqt6widgets6 libqt6gui6 libqt6core6 libqt6core5compat6
        qt6-translations-l10n)
    [ -z "$lab_id" ] || qt_packages+=(libqt6charts6)
else
    qt_packages=(libqt5svg5 libqt5widgets5 libqt5gui5 libqt5core5a qttranslations5-l10n)
    [ -z "$lab_id" ] || qt_packages+=(libqt5charts5)
fi
for dependency in fonts-liberation2 "${qt_packages[@]}" libc6; do
    grep -qE "(^|, )$dependency( |,|$)" <<<"$depends" || fail "Depends lacks $dependency"
done
other_major=$((qt_major == 6 ? 5 : 6))
if grep -qE "(^|, )(lib)?qt-?$other_major" <<<"$depends"; then
    fail "a Qt $qt_major package depends on Qt $other_major"
fi

# What a distribution's checker says: any error or warning fails; informational tags are
# shown for a person to judge.
lintian --fail-on none --display-info --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 ||
    fail "lintian could not check the package"
grep -v '^running with root privileges' "$work/lintian.log" || true
if grep -qE '^[EW]: ' "$work/lintian.log"; then
    fail "lintian reports errors or warnings"
fi

if [ "$failed" -ne 0 ]; then
    exit 1
fi
echo "the package holds all ${#expected[@]} expected files"
