// The toolkit application of the program: it carries out the start-up decision of COrvApp
// (document, frame, how the frame shows), runs the platform loop inside the toolkit's loop,
// and runs the test commands of ORVINTA_SCRIPT once the frame shows.
#pragma once

#include <string>
#include <vector>

// Runs the program with the words of its command line (without the program name); returns
// its exit status: 0, 1 when it cannot start, 2 for a word it does not understand.
int RunOrvinta(int argc, char** argv);
