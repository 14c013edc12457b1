// Child process of the multi-process tests: writes numbered REG_DWORD values under
// HKEY_CURRENT_USER\<key> in the platform root it inherits, one call per value.
//   registry_test_writer KEY PREFIX COUNT [report]
// With "report", the number of each value is written to stdout once its call has returned
// (the parent then knows which writes were committed before it killed the child).
#include "registry/Registry.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 4)
        return 64;
    const std::string prefix = argv[2];
    const long count = std::strtol(argv[3], nullptr, 10);
    const bool report = argc > 4 && std::string(argv[4]) == "report";
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, argv[1], 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) {
        std::fprintf(stderr, "create failed: %ld\n", static_cast<long>(rc));
        return 2;
    }
    for (long i = 0; i < count; ++i) {
        const std::string name = prefix + std::to_string(i);
        const DWORD value = static_cast<DWORD>(i);
        rc = RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        if (rc != ERROR_SUCCESS) {
            std::fprintf(stderr, "set %ld failed: %ld\n", i, static_cast<long>(rc));
            return 3;
        }
        if (report) {
            const std::string line = std::to_string(i) + "\n";
            if (write(STDOUT_FILENO, line.data(), line.size()) < 0)
                return 4;
        }
    }
    RegCloseKey(key);
    return 0;
}
