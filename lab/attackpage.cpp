// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "attackpage.h"

#include "attackmessages.h"
#include "tablecopy.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

#include <utility>

namespace {

constexpr int candidatesShown = 10;

QTableWidgetItem *readOnlyItem(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

struct AttackPage::Run
{
    quint64 id = 0;
    std::atomic<bool> cancel{false};
    std::atomic<int> shownPercent{-1};
    QThread *thread = nullptr;
    QString crib; // as it stood when the search began
};

AttackPage::AttackPage(QWidget *parent)
    : QWidget(parent), crib(new QLineEdit(this)),
      attack(new QPushButton(QStringLiteral("Взломать"), this)),
      stop(new QPushButton(QStringLiteral("Остановить"), this)), progress(new QProgressBar(this)),
      status(new QLabel(this)), candidates(new QTableWidget(0, 6, this)),
      apply(new QPushButton(QStringLiteral("Расшифровать этим ключом"), this))
{
    qRegisterMetaType<analysis::AttackResult>();
    auto *cribLabel = new QLabel(QStringLiteral("Известный фр&агмент:"), this);
    cribLabel->setBuddy(crib);
    crib->setObjectName(QStringLiteral("cribField"));
    crib->setAccessibleName(QStringLiteral("Известный фрагмент"));
    crib->setPlaceholderText(QStringLiteral("необязательно: слово, которое есть в тексте"));
    attack->setObjectName(QStringLiteral("attackButton"));
    stop->setObjectName(QStringLiteral("stopButton"));
    stop->setEnabled(false);
    progress->setObjectName(QStringLiteral("attackProgress"));
    progress->setAccessibleName(QStringLiteral("Ход взлома"));
    progress->setRange(0, 100);
    progress->setValue(0);
    status->setObjectName(QStringLiteral("attackStatus"));
    status->setWordWrap(true);
    status->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    status->setFocusPolicy(Qt::StrongFocus);
    status->setAccessibleName(QStringLiteral("Итог взлома"));

    candidates->setObjectName(QStringLiteral("candidateTable"));
    candidates->setAccessibleName(QStringLiteral("Кандидаты"));
    candidates->setHorizontalHeaderLabels({QStringLiteral("Место"), QStringLiteral("Уверенность"),
                                           QStringLiteral("A"), QStringLiteral("C"),
                                           QStringLiteral("T0"), QStringLiteral("Текст")});
    candidates->setSelectionBehavior(QAbstractItemView::SelectRows);
    candidates->setSelectionMode(QAbstractItemView::SingleSelection);
    candidates->verticalHeader()->hide();
    candidates->verticalHeader()->setDefaultSectionSize(candidates->fontMetrics().height() + 6);
    candidates->horizontalHeader()->setStretchLastSection(true);
    addRowCopying(candidates);
    apply->setObjectName(QStringLiteral("applyButton"));
    apply->setEnabled(false);

    connect(attack, &QPushButton::clicked, this, &AttackPage::startAttack);
    connect(stop, &QPushButton::clicked, this, &AttackPage::stopAttack);
    connect(apply, &QPushButton::clicked, this, &AttackPage::chooseCandidate);
    connect(candidates, &QTableWidget::cellActivated, this, &AttackPage::chooseCandidate);
    connect(this, &AttackPage::searchProgressed, this, &AttackPage::showProgress,
            Qt::QueuedConnection);
    connect(this, &AttackPage::searchFinished, this, &AttackPage::showResult, Qt::QueuedConnection);

    auto *top = new QHBoxLayout;
    top->addWidget(cribLabel);
    top->addWidget(crib, 1);
    top->addWidget(attack);
    top->addWidget(stop);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(progress);
    layout->addWidget(status);
    layout->addWidget(candidates, 1);
    layout->addWidget(apply, 0, Qt::AlignLeft);
}

AttackPage::~AttackPage()
{
    // The threads use the page's signals: each must end before the page does.
    for (const std::shared_ptr<Run> &run : std::as_const(searches)) {
        run->cancel = true;
        run->thread->wait();
        delete run->thread;
    }
}

void AttackPage::setCipherLine(const QString &newLine)
{
    line = newLine;
}

void AttackPage::startAttack()
{
    if (running)
        return;
    analysis::AttackSettings settings;
    settings.top = candidatesShown;
    if (!crib->text().isEmpty())
        settings.crib = crib->text();

    auto run = std::make_shared<Run>();
    run->id = ++runCount;
    run->crib = crib->text();
    settings.cancel = &run->cancel;
    settings.progress = [this, run = run.get()](int done, int total) {
        // Only a change of the percentage is worth an event in the window's queue.
        const int percent = total > 0 ? int(qint64(done) * 100 / total) : 0;
        if (run->shownPercent.exchange(percent) != percent && !run->cancel)
            emit searchProgressed(done, total);
    };
    progress->setRange(0, 100);
    progress->setValue(0);

    const QString cipherLine = line;
    run->thread = QThread::create([this, run = run.get(), cipherLine, settings] {
        emit searchFinished(run->id, analysis::attackLine(cipherLine, settings));
    });
    connect(run->thread, &QThread::finished, this, [this, run] {
        searches.removeOne(run);
        run->thread->deleteLater();
    });
    running = run;
    searches.append(run);
    candidates->setRowCount(0);
    candidateKeys.clear();
    apply->setEnabled(false);
    attack->setEnabled(false);
    stop->setEnabled(true);
    status->setText(QStringLiteral("Идёт подбор ключа…"));
    run->thread->start(QThread::LowPriority);
}

void AttackPage::stopAttack()
{
    if (!running)
        return;
    running->cancel = true;
    running = nullptr;
    setIdle(QStringLiteral("Взлом остановлен."));
}

void AttackPage::setIdle(const QString &text)
{
    if (progress->maximum() == 0)
        progress->setRange(0, 100);
    if (progress->value() < progress->maximum())
        progress->setValue(0); // only a search that ended with candidates stays full
    attack->setEnabled(true);
    stop->setEnabled(false);
    status->setText(text);
    emit attackEnded();
}

void AttackPage::showProgress(int done, int total)
{
    if (!running || total <= 0)
        return;
    progress->setRange(0, total);
    progress->setValue(done);
}

QString AttackPage::outcomeNotes(const analysis::AttackResult &result) const
{
    QString notes;
    if (result.shortLine)
        notes += QLatin1Char(' ') +
                 analysis::shortLineWarning(QStringLiteral("впишите его в «Известный фрагмент»"));
    return notes + QLatin1Char(' ') + analysis::searchOutcomeSentence(result.exhaustive);
}

void AttackPage::showResult(quint64 run, const analysis::AttackResult &result)
{
    if (!running || running->id != run)
        return; // a search that was stopped
    const QString searchedCrib = running->crib;
    running = nullptr;
    if (result.problem != analysis::AttackProblem::None) {
        // The page gives no known beginning.
        setIdle(analysis::asSentence(
            analysis::attackProblemText(result.problem, std::nullopt, searchedCrib)));
        return;
    }
    if (result.candidates.isEmpty()) {
        setIdle(QStringLiteral("Не найден ни один ключ."));
        return;
    }
    showCandidates(result);
    progress->setRange(0, 100);
    progress->setValue(100);
    setIdle(QStringLiteral("Найдено кандидатов: %1 за %2 с. Выберите строку и нажмите "
                           "«Расшифровать этим ключом».")
                .arg(result.candidates.size())
                .arg(QLocale(QLocale::Russian).toString(result.elapsedMs / 1000.0, 'f', 2)) +
            outcomeNotes(result));
}

void AttackPage::showCandidates(const analysis::AttackResult &result)
{
    const QLocale russian(QLocale::Russian);
    candidates->setRowCount(result.candidates.size());
    for (int row = 0; row < result.candidates.size(); ++row) {
        const analysis::Candidate &candidate = result.candidates.at(row);
        candidateKeys.append(candidate.key);
        const QStringList cells = {QString::number(row + 1),
                                   russian.toString(100.0 * candidate.confidence, 'f', 1) +
                                       QStringLiteral(" %"),
                                   QString::number(candidate.key.a),
                                   QString::number(candidate.key.c),
                                   QString::number(candidate.key.t0),
                                   candidate.text};
        for (int column = 0; column < cells.size(); ++column)
            candidates->setItem(row, column, readOnlyItem(cells.at(column)));
    }
    candidates->resizeColumnsToContents();
    apply->setEnabled(true);
}

void AttackPage::chooseCandidate()
{
    if (candidateKeys.isEmpty())
        return;
    const int row = candidates->currentRow();
    const bool selected =
        candidates->selectionModel()->hasSelection() && row >= 0 && row < candidateKeys.size();
    emit keyChosen(candidateKeys.at(selected ? row : 0));
}
