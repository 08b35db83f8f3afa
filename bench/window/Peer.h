// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The far end of the benchmark, run as a second copy of this program so
// that sending costs the window's process nothing:
//   --peer-udp PORT COUNT RATE SIZE   COUNT datagrams of SIZE bytes, RATE a second
//   --peer-tcp PORT BYTES             BYTES on one connection, as fast as they go
// Both send to 127.0.0.1 only. Each prints "ready" once its socket is set up
// and waits for a line on its standard input before sending; it prints
// "sent" once the kernel has passed every byte on, and ends when its
// standard input ends.
bool IsPeerMode(int argc, char **argv);
int RunPeer(int argc, char **argv);
