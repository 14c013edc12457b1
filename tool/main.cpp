// orvinta: the window program that keeps public folders and personal folders in step through
// the sync engine.
#include "LocaleSwitch.h"
#include "gui/OrvintaApp.h"

#include <string>
#include <vector>

int main(int argc, char** argv)
{
    // Before the toolkit and any window: every text comes in the language asked for.
    ApplyLocaleSwitch(std::vector<std::string>(argv + 1, argv + argc));
    return RunOrvinta(argc, argv);
}
