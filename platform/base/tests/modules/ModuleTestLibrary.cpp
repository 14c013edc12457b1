// A module for the loader tests: one exported function and one that stays inside.
extern "C" __attribute__((visibility("default"))) int ModuleTestAnswer()
{
    return 42;
}

extern "C" __attribute__((visibility("hidden"))) int ModuleTestHidden()
{
    return 7;
}
