#pragma once

// A panel's Tx or Rx format; the values are the option indexes of the
// format groups, so a checked button's id converts directly.
enum class DataFormat { String = 0, Decimal = 1, Hex = 2 };
