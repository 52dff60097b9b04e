// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "mainwindow.h"
#include "qttranslation.h"

#include <QApplication>
#include <QIcon>

// No locale codec is installed: document files name Windows-1251 on their own streams,
// and file names keep the system's encoding so that Cyrillic paths open.
int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    installQtTranslation();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/gammacrypt.svg")));
    MainWindow window;
    window.show();
    return application.exec();
}
