// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QHostAddress>

// Sends one datagram through a UDP socket's descriptor, so that a refused
// send keeps the system's own reason ("Network is unreachable"): the network
// library's send reports most refusals in one sentence that names none.
// An IPv4 destination goes out in its mapped form from a socket that takes
// both families. Gives 0 when the datagram went out, else the system's error
// number.
int sendDatagram(qintptr descriptor, const QByteArray &data, const QHostAddress &address, quint16 port);
