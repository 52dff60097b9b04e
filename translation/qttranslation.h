// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_QTTRANSLATION_H
#define GAMMACRYPT_QTTRANSLATION_H

// Installs Qt's own catalogue (qtbase_<language>) for the system locale on the running
// application, so that what Qt itself draws or prints (file dialogs, standard buttons, the
// command-line parser's help) speaks the user's language. The program's own texts are
// written in Russian and pass through no catalogue of ours; Qt's catalogue holds none of
// their contexts. Returns false, changing nothing, when the locale has no catalogue.
// Call it once the application object exists and before any widget or parser is made.
bool installQtTranslation();

#endif // GAMMACRYPT_QTTRANSLATION_H
