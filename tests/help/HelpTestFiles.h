// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// A small help file with three topics, links and a keyword shared by two
// topics, in the format the viewer reads.
inline QByteArray threeTopicHelpFile()
{
    return QByteArrayLiteral(
        "<!DOCTYPE html>\n"
        "<html><head><meta charset=\"utf-8\"><title>Test Help</title>\n"
        "<style>h1 { font-size: large; }</style></head>\n"
        "<body>\n"
        "<!-- <section id=\"hidden\" data-title=\"Commented out\"></section> -->\n"
        "<section id=\"first\" data-title=\"First steps\" data-keywords=\"start; loopback\">\n"
        "<h1>First steps</h1>\n"
        "<p>Click Listen to wait for a peer on 127.0.0.1. Read about "
        "<a href=\"#formats\">the formats</a> next.</p>\n"
        "</section>\n"
        "<section id=\"formats\" data-title=\"Data formats\" data-keywords=\"Hex; decimal; Start\">\n"
        "<h1>Data formats</h1>\n"
        "<p>Bytes are typed in decimal or in hex, as in 48 69. A "
        "<a href=\"#refused\">refused connection</a> carries none.</p>\n"
        "</section>\n"
        "<section id=\"errors\" data-keywords=\"port in use; refused, connection\">\n"
        "<h1>When things go wrong</h1>\n"
        "<p>A port in use cannot be opened by Listen.</p>\n"
        "<p><a name=\"refused\"></a>A remote port that nobody listens on refuses the connection.</p>\n"
        "</section>\n"
        "</body></html>\n");
}

// Writes content to name inside dir and gives the file's absolute path.
inline QString writeHelpFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        return {};
    return path;
}
