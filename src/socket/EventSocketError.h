#pragma once

#include <QString>

#include <exception>
#include <string>

// Raised by every EventSocket operation that fails. The description is a
// sentence for the status line: "Address already in use", "Host not found".
class EventSocketError : public std::exception
{
public:
    explicit EventSocketError(QString description)
        : m_description(std::move(description)), m_utf8(m_description.toStdString())
    {
    }

    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_description;
    std::string m_utf8;
};
