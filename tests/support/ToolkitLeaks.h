// Leak checker suppressions for windowed tests under the sanitizers: memory that the window
// toolkit's system libraries keep until the process ends (font cache, D-Bus, GLib types), which
// is not ours. In the leak checker's own format, one rule a line; the same rules as
// platform/host/tests/toolkit-leaks.supp, which programs started by tests read.
#pragma once

inline constexpr const char* kToolkitLeakSuppressions = "leak:libfontconfig.so\n"
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
