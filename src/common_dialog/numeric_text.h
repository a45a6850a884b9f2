// The run-time's numeric conversions that the common dialog service relies
// on: a double to a 32-bit integer, rounding halves to the even neighbour,
// and a text to a 32-bit integer.
#pragma once

#include <cstdint>
#include <string_view>

namespace tolvane {

// |value| rounded to the nearest integer, halves to the even neighbour.
// Throws RaisedError(kErrOverflow) when the result leaves the 32-bit range.
int32_t RoundToLong(double value);

// A number written as text: optional spaces around it, an optional sign,
// decimal digits with an optional fraction and exponent (rounded like
// RoundToLong), or &H / &O followed by hexadecimal / octal digits taken as
// 32 bits. Throws RaisedError(kErrTypeMismatch) for an empty or non-numeric
// text and RaisedError(kErrOverflow) for a number out of range.
int32_t TextToLong(std::wstring_view text);

}  // namespace tolvane
