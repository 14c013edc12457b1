// The host with windows: a toolkit application around HostProgram with one ExplorerFrame per
// explorer. A script (--script) runs once the first explorer window shows.
#pragma once

#include "host/HostOptions.h"

#include <ostream>

int RunWindowedHost(const host::HostOptions& options, std::ostream& out, std::ostream& err);
