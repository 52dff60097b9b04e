// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_RESULT_H
#define GAMMACRYPT_RESULT_H

#include <QString>

#include <optional>
#include <utility>

// How the libraries report a failure: a value, or a Russian sentence saying what went wrong,
// ready for the user. The caller decides where the sentence goes (a message box, standard
// error), so nothing is printed where it is found.
struct Failure
{
    QString message;
};

template <typename T> class Result
{
public:
    Result(T value) : content(std::move(value)) {}
    Result(Failure failure) : message(std::move(failure.message)) {}

    bool ok() const { return content.has_value(); }
    explicit operator bool() const { return ok(); }

    // Only after ok().
    const T &value() const { return *content; }
    const T &operator*() const { return *content; }
    const T *operator->() const { return &*content; }

    // Empty after ok().
    const QString &error() const { return message; }

private:
    std::optional<T> content;
    QString message;
};

// A step that gives nothing but can fail.
template <> class Result<void>
{
public:
    Result() = default;
    Result(Failure failure) : message(std::move(failure.message)), failed(true) {}

    bool ok() const { return !failed; }
    explicit operator bool() const { return ok(); }
    const QString &error() const { return message; }

private:
    QString message;
    bool failed = false;
};

#endif // GAMMACRYPT_RESULT_H
