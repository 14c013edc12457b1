// The toolkit for the tests of one test program: started once per process on a private
// virtual display, ended when the tests are done. Tests that need it skip without a display.
#pragma once

#include <gtest/gtest.h>

namespace toolkit_test {

// Whether the toolkit runs (false: no Xvfb, or it could not start).
bool ToolkitRunning();

} // namespace toolkit_test

#define REQUIRE_TOOLKIT()                                                                                      \
    do {                                                                                                       \
        if (!toolkit_test::ToolkitRunning())                                                                   \
            GTEST_SKIP() << "no virtual display";                                                              \
    } while (false)
