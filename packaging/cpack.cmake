# SPDX-FileCopyrightText: 2026 gammacrypt developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The Debian package, built with `cpack -G DEB` in a configured and built tree.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME gammacrypt)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The gammacrypt developers")
set(CPACK_PACKAGE_CONTACT "${GAMMACRYPT_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "teaching program for gamma encryption")
set(description
    "Gammacrypt demonstrates gamma (keystream) encryption for an introductory
cryptography course. The user types or opens a Russian text and enters a key
of three integers A, C and T0; the program appends the last line of the text
encrypted over a 32-symbol Cyrillic alphabet with the gamma of the linear
congruential generator T(i) = (A*T(i-1) + C) rem 32, in signed 32-bit
arithmetic. Decryption is the same transform. The interface is in Russian;
text files are Windows-1251.")
if(TARGET gammacrypt-cli)
    string(APPEND description "
The package also holds gammacrypt-cli, a command-line tool with the commands
encrypt and decrypt (the same cipher for files and pipes), trace (the
generator step by step), attack (recovering a line and a key from the cipher
text alone) and analyze (what one key does, and whether it is weak).")
endif()
if(TARGET gammacrypt-lab)
    string(APPEND description "
It also holds gammacrypt-lab, a second window for the lesson on why the
cipher is weak: the gamma position by position, what a key does and whether
it is weak, symbol frequency charts, and the attack with progress and cancel.")
endif()
set(CPACK_PACKAGE_DESCRIPTION "${description}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RPM_PACKAGE_LICENSE "${GAMMACRYPT_LICENSE}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${GAMMACRYPT_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${GAMMACRYPT_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# None comes from linking: the window's "Times New Roman" resolves to the metric-compatible
# Liberation Serif, the window icon is drawn by Qt's SVG icon engine, and Qt's catalogues
# give the standard buttons, file dialogs and the tool's --help the user's language (the
# program looks for them in the Qt it runs on).
if(GAMMACRYPT_QT_MAJOR STREQUAL 6)
    set(qt_svg_package libqt6svg6)
    set(qt_translations_package qt6-translations-l10n)
else()
    set(qt_svg_package libqt5svg5)
    set(qt_translations_package qttranslations5-l10n)
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-liberation2, ${qt_svg_package}, ${qt_translations_package}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

set(CPACK_SOURCE_GENERATOR TXZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/")

include(CPack)
