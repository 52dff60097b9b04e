// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_LAB_ATTACKPAGE_H
#define GAMMACRYPT_LAB_ATTACKPAGE_H

#include "gammakey.h"
#include "keysearch.h"

#include <QVector>
#include <QWidget>

#include <atomic>
#include <memory>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QThread;

Q_DECLARE_METATYPE(analysis::AttackResult)

// «Взлом»: the key search on the line, off the window's thread, and its best candidates.
class AttackPage : public QWidget
{
    Q_OBJECT

public:
    explicit AttackPage(QWidget *parent = nullptr);
    ~AttackPage() override;

    void setCipherLine(const QString &line);
    bool isRunning() const { return running != nullptr; }

signals:
    // The key of the chosen candidate, for the window to decrypt the line under.
    void keyChosen(const GammaKey &key);
    // The search has ended, found, stopped or failed; the page shows which.
    void attackEnded();

    // From the searching thread; queued to the window's.
    void searchProgressed(int done, int total);
    void searchFinished(quint64 run, const analysis::AttackResult &result);

private:
    struct Run;

    void startAttack();
    void stopAttack();
    void showProgress(int done, int total);
    void showResult(quint64 run, const analysis::AttackResult &result);
    void showCandidates(const analysis::AttackResult &result);
    void chooseCandidate();
    void setIdle(const QString &status);
    QString outcomeNotes(const analysis::AttackResult &result) const;

    QString line;
    QLineEdit *crib = nullptr;
    QPushButton *attack = nullptr;
    QPushButton *stop = nullptr;
    QProgressBar *progress = nullptr;
    QLabel *status = nullptr;
    QTableWidget *candidates = nullptr;
    QPushButton *apply = nullptr;
    QVector<GammaKey> candidateKeys;

    std::shared_ptr<Run> running;           // the search the page waits for, if any
    QVector<std::shared_ptr<Run>> searches; // every thread not yet ended, stopped ones too
    quint64 runCount = 0;
};

#endif // GAMMACRYPT_LAB_ATTACKPAGE_H
