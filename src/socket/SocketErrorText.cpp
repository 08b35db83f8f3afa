// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SocketErrorText.h"

#include <cerrno>

namespace {

SocketFailure failure(SocketErrorNumber number, const QString &description)
{
    return SocketFailure{number, description};
}

} // namespace

SocketFailure describeSocketError(QAbstractSocket::SocketError error, const QString &systemText)
{
    using E = QAbstractSocket::SocketError;
    using N = SocketErrorNumber;
    switch (error) {
    case E::ConnectionRefusedError:
        return failure(N::ConnectionRefused, QStringLiteral("Connection refused"));
    case E::RemoteHostClosedError:
        return failure(N::ConnectionLost, QStringLiteral("The remote host closed the connection"));
    case E::HostNotFoundError:
        return failure(N::HostNotFound, QStringLiteral("Host not found"));
    case E::SocketAccessError:
        return failure(N::PermissionDenied, QStringLiteral("Permission denied"));
    case E::SocketResourceError:
        return failure(N::OutOfResources, QStringLiteral("Out of network resources (too many sockets open)"));
    case E::SocketTimeoutError:
        return failure(N::ConnectionTimedOut, QStringLiteral("Connection timed out"));
    case E::DatagramTooLargeError:
        return failure(N::DatagramTooLarge, QStringLiteral("Datagram too large to send"));
    case E::NetworkError:
        return failure(N::NetworkFailure, systemText.isEmpty() ? QStringLiteral("Network failure") : systemText);
    case E::AddressInUseError:
        return failure(N::AddressInUse, QStringLiteral("Address already in use"));
    case E::SocketAddressNotAvailableError:
        return failure(N::AddressNotAvailable, QStringLiteral("Address not available on this machine"));
    case E::UnsupportedSocketOperationError:
        return failure(N::UnsupportedOperation, QStringLiteral("Operation not supported on this machine"));
    case E::TemporaryError:
        return failure(N::TryAgain, QStringLiteral("The network is busy; try again"));
    case E::OperationError:
    case E::UnfinishedSocketOperationError:
        return failure(N::WrongState, QStringLiteral("The socket is in the wrong state for this operation"));
    default:
        return failure(N::Unknown, systemText.isEmpty() ? QStringLiteral("Unknown network error") : systemText);
    }
}

SocketFailure describeSendError(int systemError)
{
    using E = QAbstractSocket::SocketError;
    switch (systemError) {
    case EMSGSIZE:
        return describeSocketError(E::DatagramTooLargeError);
    case EACCES:
        return describeSocketError(E::SocketAccessError);
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case ENOBUFS:
        return describeSocketError(E::TemporaryError);
    default:
        return describeSocketError(E::NetworkError, qt_error_string(systemError));
    }
}
