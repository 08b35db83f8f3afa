// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

#include <exception>
#include <string>

// Raised by every EventSocket operation that fails. The description is a
// sentence for the status line: "Address already in use", "Host not found".
class EventSocketError : public std::exception
{
public:
    // A UDP socket that only listens learns whom to answer from the first
    // datagram; a send before that has nowhere to go, which is no failure
    // of the socket and may be passed over quietly.
    enum Kind { Failure, NoDestinationYet };

    explicit EventSocketError(QString description, Kind kind = Failure)
        : m_description(std::move(description))
        , m_utf8(m_description.toStdString())
        , m_kind(kind)
    {}

    const QString &description() const noexcept { return m_description; }
    Kind kind() const noexcept { return m_kind; }
    const char *what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_description;
    std::string m_utf8;
    Kind m_kind;
};
