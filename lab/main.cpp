// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "labwindow.h"
#include "qttranslation.h"

#include <QApplication>
#include <QIcon>
#include <QStringList>

#include <cstdio>

namespace {

const char usage[] = "Использование: gammacrypt-lab [ФАЙЛ]\n"
                     "Окно второго урока: гамма по позициям, анализ ключа, частоты и взлом. "
                     "Из ФАЙЛА берётся первая строка.\n";

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    installQtTranslation();
    const QStringList arguments = QApplication::arguments().mid(1);
    if (arguments.size() == 1 && (arguments.first() == QLatin1String("--help") ||
                                  arguments.first() == QLatin1String("-h"))) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (arguments.size() > 1) {
        std::fputs("gammacrypt-lab: лишние аргументы\n", stderr);
        std::fputs(usage, stderr);
        return 2;
    }
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/gammacrypt.svg")));
    LabWindow window;
    window.show();
    if (!arguments.isEmpty())
        window.openFile(arguments.first());
    return application.exec();
}
