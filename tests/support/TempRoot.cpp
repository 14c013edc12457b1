#include "TempRoot.h"

#include "base/PlatformRoot.h"

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

TempRoot::TempRoot()
{
    std::string pattern = (fs::temp_directory_path() / "suite-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary platform root");
    m_path = pattern;
    if (const char* old = std::getenv(platform::kRootVariable))
        m_previous = old;
    setenv(platform::kRootVariable, m_path.c_str(), 1);
}

TempRoot::~TempRoot()
{
    if (m_previous)
        setenv(platform::kRootVariable, m_previous->c_str(), 1);
    else
        unsetenv(platform::kRootVariable);
    if (!m_keep) {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
}
