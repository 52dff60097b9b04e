// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "labwindow.h"

#include "attackpage.h"
#include "documentio.h"
#include "frequencypage.h"
#include "gammapage.h"
#include "keypage.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {

// The key report covers the line's positions; the gamma is periodic after at most 65 of
// them, so a longer report says nothing new and a shorter one too little.
int reportLength(int lineLength)
{
    return std::clamp(lineLength, 64, 1024);
}

QString firstLine(const QString &text)
{
    const auto isBreak = [](QChar unit) {
        return unit == QLatin1Char('\n') || unit == QLatin1Char('\r') || unit == QChar(0x2028) ||
               unit == QChar(0x2029);
    };
    const auto end = std::find_if(text.cbegin(), text.cend(), isBreak);
    return text.left(int(end - text.cbegin()));
}

} // namespace

LabWindow::LabWindow(QWidget *parent)
    : QMainWindow(parent), pages(new QTabWidget(this)), gammaPage(new GammaPage(pages)),
      keyPage(new KeyPage(pages)), frequencyPage(new FrequencyPage(pages)),
      attackPage(new AttackPage(pages))
{
    setWindowTitle(QStringLiteral("Гаммирование: анализ и взлом"));
    pages->setObjectName(QStringLiteral("pages"));
    pages->setAccessibleName(QStringLiteral("Страницы"));
    pages->addTab(gammaPage, QStringLiteral("&Гамма"));
    pages->addTab(keyPage, QStringLiteral("&Ключ"));
    pages->addTab(frequencyPage, QStringLiteral("&Частоты"));
    pages->addTab(attackPage, QStringLiteral("В&злом"));

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(buildInputs());
    layout->addWidget(pages, 1);
    setCentralWidget(central);

    connect(attackPage, &AttackPage::keyChosen, this, &LabWindow::showKeyOnGamma);
    resize(980, 680);
    refreshPages();
}

QWidget *LabWindow::buildInputs()
{
    auto *inputs = new QWidget(this);
    auto *lineLabel = new QLabel(QStringLiteral("С&трока:"), inputs);
    lineField = new QLineEdit(inputs);
    lineField->setObjectName(QStringLiteral("lineField"));
    lineField->setAccessibleName(QStringLiteral("Строка"));
    lineField->setMaxLength(std::numeric_limits<int>::max());
    lineLabel->setBuddy(lineField);
    auto *open = new QPushButton(QStringLiteral("&Открыть…"), inputs);
    open->setObjectName(QStringLiteral("openButton"));
    open->setAccessibleName(QStringLiteral("Открыть…"));
    connect(open, &QPushButton::clicked, this, &LabWindow::chooseFile);
    auto *openShortcut = new QAction(this);
    openShortcut->setShortcut(QKeySequence::Open);
    connect(openShortcut, &QAction::triggered, this, &LabWindow::chooseFile);
    addAction(openShortcut);

    auto *lineRow = new QHBoxLayout;
    lineRow->addWidget(lineLabel);
    lineRow->addWidget(lineField, 1);
    lineRow->addWidget(open);

    auto *keyRow = new QHBoxLayout;
    aField = addKeyField(QStringLiteral("&A:"), QStringLiteral("aField"), keyRow);
    cField = addKeyField(QStringLiteral("&C:"), QStringLiteral("cField"), keyRow);
    t0Field = addKeyField(QStringLiteral("&T0:"), QStringLiteral("t0Field"), keyRow);
    keyRow->addStretch(1);

    auto *layout = new QVBoxLayout(inputs);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(lineRow);
    layout->addLayout(keyRow);
    connect(lineField, &QLineEdit::textChanged, this, &LabWindow::refreshPages);
    return inputs;
}

QSpinBox *LabWindow::addKeyField(const QString &title, const QString &name, QHBoxLayout *row)
{
    auto *label = new QLabel(title, row->parentWidget());
    auto *field = new QSpinBox;
    field->setObjectName(name);
    field->setAccessibleName(QString(title).remove(QLatin1Char('&')).remove(QLatin1Char(':')));
    field->setRange(std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max());
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("−2147483648")) +
                           40);
    label->setBuddy(field);
    connect(field, QOverload<int>::of(&QSpinBox::valueChanged), this, [this] {
        if (!settingKey)
            refreshPages();
    });
    row->addWidget(label);
    row->addWidget(field);
    return field;
}

QString LabWindow::line() const
{
    return lineField->text();
}

GammaKey LabWindow::key() const
{
    return GammaKey{aField->value(), cField->value(), t0Field->value()};
}

void LabWindow::setKey(const GammaKey &key)
{
    settingKey = true;
    aField->setValue(key.a);
    cField->setValue(key.c);
    t0Field->setValue(key.t0);
    settingKey = false;
    refreshPages();
}

void LabWindow::refreshPages()
{
    const QString text = line();
    const GammaKey current = key();
    gammaPage->showLine(text, current);
    keyPage->showKey(current, reportLength(text.size()));
    frequencyPage->showLine(text, current);
    attackPage->setCipherLine(text);
}

void LabWindow::showKeyOnGamma(const GammaKey &key)
{
    setKey(key);
    pages->setCurrentWidget(gammaPage);
}

void LabWindow::showError(const QString &text)
{
    QMessageBox::warning(this, QStringLiteral("Гаммирование: анализ и взлом"), text);
}

bool LabWindow::openFile(const QString &path)
{
    const documentio::ReadResult read = documentio::readDocument(path);
    const QString name = QDir::toNativeSeparators(path);
    if (!read.ok) {
        showError(QStringLiteral("Не удалось открыть файл «%1»: %2").arg(name, read.error));
        return false;
    }
    const QString first = firstLine(read.text);
    if (first.size() > longestLine) {
        showError(QStringLiteral("Первая строка файла «%1» длиннее %2 символов (в ней %3); "
                                 "такие строки здесь не разбираются.")
                      .arg(name, QLocale(QLocale::Russian).toString(longestLine),
                           QLocale(QLocale::Russian).toString(first.size())));
        return false;
    }
    lineField->setText(first);
    lineField->setCursorPosition(0); // the line's start, where the pages' tables start too
    return true;
}

void LabWindow::chooseFile()
{
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Открыть"), QString(),
                                     QStringLiteral("Текстовые файлы (*.txt);;Все файлы (*)"));
    if (!path.isEmpty())
        openFile(path);
}
