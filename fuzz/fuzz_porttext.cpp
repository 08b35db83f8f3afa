// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Any text as a port box's text: reading it must not crash, must accept
// exactly the decimal numbers (blanks around allowed) at the value the C
// library reads, and every port it gives must be the rounded number in
// range. Any eight bytes as a number: rounding must not crash and must
// round half to even as the floating-point unit does.

#include "FuzzCheck.h"
#include "FuzzInput.h"

#include "socket/EventSocketError.h"
#include "socket/PortText.h"

#include <QRegularExpression>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

namespace {

// Blanks around the number are spaces and tabs; the number itself is
// plain ASCII, with no digits of other scripts, no "inf" and no "nan".
// Anchored to the whole text: a plain '$' would also match before a final
// line break, which is no blank.
const QRegularExpression portNumberPattern(QRegularExpression::anchoredPattern(
    QStringLiteral(R"([ \t]*([+-]?(?:[0-9]+(?:\.[0-9]*)?|\.[0-9]+)(?:[eE][+-]?[0-9]+)?)[ \t]*)")));

struct Reading
{
    std::optional<double> number;
    std::optional<quint16> port;
};

// Only EventSocketError may leave the reading, and it must say something:
// its description goes on the status line. Any other exception escapes and
// ends the run as a crash.
template <typename Read>
auto readOrReject(Read read) -> std::optional<decltype(read())>
{
    try {
        return read();
    } catch (const EventSocketError &error) {
        FUZZ_CHECK(!error.description().isEmpty(), "a rejected port text gives an empty description");
        return std::nullopt;
    }
}

void checkAgainstCLibrary(const QString &text, const Reading &reading)
{
    const QRegularExpressionMatch match = portNumberPattern.match(text);
    FUZZ_CHECK(reading.number.has_value() == match.hasMatch(), "accepts a text that is not a number, or the reverse");
    if (!match.hasMatch())
        return;
    // The number is ASCII by now, and the C locale reads '.' as the point.
    const double expected = std::strtod(match.captured(1).toLatin1().constData(), nullptr);
    const double number = *reading.number;
    if (std::isinf(expected))
        FUZZ_CHECK(std::isinf(number) && std::signbit(number) == std::signbit(expected),
                   "a number too large for a double does not read as infinite");
    else if (std::fabs(expected) < DBL_MIN) // too small: 0 or a denormal are both fair
        FUZZ_CHECK(std::fabs(number) < DBL_MIN, "a tiny number reads as a sizeable one");
    else
        FUZZ_CHECK(number == expected, "reads another value than the C library");

    const bool inRange = expected >= 0.0 && expected <= 65535.0;
    FUZZ_CHECK(reading.port.has_value() == inRange, "range check differs from 0 to 65535 on the number as read");
    if (reading.port)
        FUZZ_CHECK(*reading.port == std::nearbyint(expected), "port is not the number rounded half to even");
}

void checkPortText(const QString &text)
{
    SetFuzzContext("port text", text);
    Reading reading;
    reading.number = readOrReject([&] { return readPortNumber(text); });
    reading.port = readOrReject([&] { return readPort(text); });
    if (reading.port) {
        FUZZ_CHECK(reading.number.has_value(), "readPort accepts a text readPortNumber rejects");
        FUZZ_CHECK(*reading.number >= 0.0 && *reading.number <= 65535.0, "readPort accepts a number out of range");
        FUZZ_CHECK(*reading.port == roundHalfEven(*reading.number), "readPort is not the rounded number");
    }
    checkAgainstCLibrary(text, reading);
}

// The default rounding mode of the floating-point unit is to nearest, ties
// to even, so nearbyint is the answer for every value an int holds.
void checkRounding(double value)
{
    SetFuzzContext("rounding the double of the bytes",
                   QByteArrayView(reinterpret_cast<const char *>(&value), sizeof value));
    const int rounded = roundHalfEven(value);
    if (std::isnan(value))
        return;
    const double expected = std::nearbyint(value);
    if (expected >= -2147483648.0 && expected <= 2147483647.0)
        FUZZ_CHECK(rounded == expected, "roundHalfEven differs from rounding to nearest, ties to even");
    else
        FUZZ_CHECK(rounded == (value < 0 ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max()),
                   "roundHalfEven does not saturate beyond the range of int");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    for (const QString &text : TextsFromInput(data, size))
        checkPortText(text);
    if (size >= sizeof(double)) {
        double value;
        std::memcpy(&value, data, sizeof value);
        checkRounding(value);
    }
    return 0;
}
