// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The far end of the benchmark, run as a second copy of this program so
// that sending costs the window's process nothing:
//   --peer-udp PORT COUNT RATE SIZE   COUNT datagrams of SIZE bytes, RATE a second
//   --peer-udp-ports PORT COUNT SIZE  one datagram of SIZE bytes from each of
//                                     COUNT ports, back to back; then says
//                                     which of them were answered
//   --peer-tcp PORT BYTES             BYTES on one connection, as fast as they go
// All send to 127.0.0.1 only. Each prints "ready" once its socket is set up
// and waits for a line on its standard input before sending; it prints a
// line starting "sent" once the kernel has passed every byte on, with the
// moments that matter on CLOCK_MONOTONIC, and ends when its standard input
// ends.
bool IsPeerMode(int argc, char **argv);
int RunPeer(int argc, char **argv);
