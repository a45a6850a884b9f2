// The one error that the common dialog service raises: a run-time error
// number, as the callers' error traps expect. Callers catch it at the edge of
// a command; it never passes through a window procedure.
#pragma once

#include <stdexcept>
#include <string>

namespace tolvane {

// Run-time error numbers that the service raises.
inline constexpr int kErrCancel = 0;           // the dialog was cancelled or failed
inline constexpr int kErrInvalidArgument = 5;  // invalid procedure call or argument
inline constexpr int kErrOverflow = 6;         // overflow
inline constexpr int kErrSubscript = 9;        // subscript out of range
inline constexpr int kErrTypeMismatch = 13;    // type mismatch

class RaisedError : public std::runtime_error {
  public:
    explicit RaisedError(int number, const std::string& what = "run-time error")
        : std::runtime_error(what + " " + std::to_string(number)), number_(number) {}
    int number() const { return number_; }

  private:
    int number_;
};

}  // namespace tolvane
