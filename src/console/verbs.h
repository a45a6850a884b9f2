// The verbs of tolvanec, each given its parsed command line; each returns
// the process exit code (console/exit_codes.h).
#pragma once

#include "console/arguments.h"

namespace tolvane::console {

int List(const Invocation& call);
int Show(const Invocation& call);
int Check(const Invocation& call);
int Which(const Invocation& call);
int Export(const Invocation& call);
int Add(const Invocation& call);
int Set(const Invocation& call);
int Remove(const Invocation& call);
int Import(const Invocation& call);

}  // namespace tolvane::console
