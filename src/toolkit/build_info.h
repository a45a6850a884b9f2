// Which of the two builds is running: the 32-bit or the 64-bit program. The
// About window and tolvanec --version name it after the version.
#pragma once

#include "tolvane_version.h"

#ifdef _WIN64
#define TOLVANE_BUILD_BITS L"64 位"
#else
#define TOLVANE_BUILD_BITS L"32 位"
#endif

// "1.1.0 64 位"
#define TOLVANE_VERSION_AND_BITS L"" TOLVANE_VERSION L" " TOLVANE_BUILD_BITS
