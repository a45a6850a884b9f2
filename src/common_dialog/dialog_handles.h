// Owner and device-context values travel through the 32-bit Owner property;
// these turn them back into handles and raise the service's cancel error.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common_dialog/raised_error.h"

namespace tolvane {

inline HWND AsWindow(int32_t value) {
    return reinterpret_cast<HWND>(static_cast<intptr_t>(value));
}

inline int32_t AsLong(const void* handle) {
    return static_cast<int32_t>(reinterpret_cast<intptr_t>(handle));
}

// A cancelled or failed dialog: the callers' error traps take it to mean that
// nothing was chosen.
[[noreturn]] inline void RaiseCancel() {
    throw RaisedError(kErrCancel, "dialog cancelled");
}

}  // namespace tolvane
