// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "gammapage.h"

#include "gamma.h"
#include "gammatablemodel.h"
#include "tablecopy.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <limits>

namespace {

QPushButton *transformButton(const QString &text, const QString &name, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAccessibleName(button->text().remove(QLatin1Char('&')));
    return button;
}

} // namespace

GammaPage::GammaPage(QWidget *parent)
    : QWidget(parent), model(new GammaTableModel(this)), table(new QTableView(this)),
      summary(new QLabel(this)), resultLabel(new QLabel(QStringLiteral("Результат:"), this)),
      result(new QLineEdit(this))
{
    table->setObjectName(QStringLiteral("gammaTable"));
    table->setAccessibleName(QStringLiteral("Гамма по позициям"));
    table->setModel(model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setAlternatingRowColors(false);
    table->verticalHeader()->hide();
    // Every row has the same height: the view then lays out a long line at once.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setDefaultSectionSize(
        table->fontMetrics().horizontalAdvance(QStringLiteral("Код итога")) + 16);
    table->horizontalHeader()->setStretchLastSection(true);
    addRowCopying(table);

    summary->setWordWrap(true);
    summary->setObjectName(QStringLiteral("gammaSummary"));

    auto *encrypt =
        transformButton(QStringLiteral("За&шифровать"), QStringLiteral("encryptButton"), this);
    auto *decrypt =
        transformButton(QStringLiteral("&Расшифровать"), QStringLiteral("decryptButton"), this);
    connect(encrypt, &QPushButton::clicked, this,
            [this] { transformLine(QStringLiteral("Зашифровано")); });
    connect(decrypt, &QPushButton::clicked, this,
            [this] { transformLine(QStringLiteral("Расшифровано")); });

    result->setObjectName(QStringLiteral("resultLine"));
    result->setReadOnly(true);
    result->setAccessibleName(QStringLiteral("Результат"));
    result->setMaxLength(std::numeric_limits<int>::max());
    resultLabel->setBuddy(result);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(encrypt);
    buttons->addWidget(decrypt);
    buttons->addWidget(resultLabel);
    buttons->addWidget(result, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(table, 1);
    layout->addLayout(buttons);
}

void GammaPage::showLine(const QString &newLine, const GammaKey &newKey)
{
    line = newLine;
    key = newKey;
    model->setLine(line, key);
    const GeneratorCycle &cycle = model->cycle();
    summary->setText(QStringLiteral("Датчик: предпериод μ = %1 (строки с жёлтым фоном), цикл λ = "
                                    "%2 — с позиции %1 значения T(i) идут по кругу. Красным "
                                    "отмечены символы вне алфавита (Ё, Й, цифры, латиница): шифр "
                                    "их не меняет, и они видны в шифртексте как есть.")
                         .arg(cycle.mu)
                         .arg(cycle.lambda));
    result->clear();
    resultLabel->setText(QStringLiteral("Результат:"));
}

void GammaPage::transformLine(const QString &verb)
{
    result->setText(gammaTransform(line, key.a, key.c, key.t0));
    result->setCursorPosition(0);
    resultLabel->setText(verb + QLatin1Char(':'));
}
