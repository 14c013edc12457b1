#include "TestAddInLog.h"

#include "base/PlatformRoot.h"

#include <fstream>

void TestAddInLog(const std::string& line)
{
    std::ofstream(platform::RootDirectory() / "testaddin.log", std::ios::app) << line << "\n";
}
