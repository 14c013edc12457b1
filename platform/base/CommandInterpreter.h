// The C runtime's system() of the platform: runs one command line through the command
// interpreter. The interpreter is the program named by $COMSPEC when it is set and not empty,
// else /bin/sh; it must accept a POSIX shell's "-c <line>" form, and is started as
// "<interpreter> -c <line>" (a name without '/' is looked up on PATH).
#pragma once

namespace platform {

// Runs `command` and returns the interpreter's exit code (0 to 255), as the platform's C runtime
// does; a child ended by signal n gives 128 + n. When the interpreter cannot be started the
// result is -1 and errno tells why. A null command asks whether an interpreter is available:
// non-zero when it is, else 0. Buffered standard streams are flushed first, so that the
// child's output follows what the caller wrote.
int system(const char* command);

// The interpreter that system() starts.
const char* CommandInterpreter();

} // namespace platform
