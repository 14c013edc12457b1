// Under the leak checker: memory that the window toolkit's system libraries keep until the
// process ends (font cache, D-Bus, GLib types) is no leak of ours. Programs these tests start get
// the same list through LSAN_OPTIONS.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:libdbus-1.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n"
           "leak:libgtk-3.so\n"
           "leak:libgdk-3.so\n"
           "leak:libpango-1.0.so\n"
           "leak:libpangoft2-1.0.so\n"
           "leak:libcairo.so\n"
           "leak:libatk-1.0.so\n"
           "leak:libatk-bridge-2.0.so\n";
}
