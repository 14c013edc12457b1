// Costs of the registry calls that the products make most: opening keys, reading and writing
// values, and enumerating keys with many subkeys (HKEY_CLASSES_ROOT\CLSID on a real machine).
#include "registry/Registry.h"

#include "TempRoot.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

HKEY CreateKey(HKEY root, const std::string& path)
{
    HKEY key = nullptr;
    RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
}

void BM_OpenClose(benchmark::State& state)
{
    TempRoot root;
    RegCloseKey(CreateKey(HKEY_CURRENT_USER, "Software\\Halvesta\\Lumivane Add-In\\Settings"));
    for (auto _ : state) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Halvesta\\Lumivane Add-In\\Settings", 0, KEY_READ, &key))
            state.SkipWithError("open failed");
        RegCloseKey(key);
    }
}
BENCHMARK(BM_OpenClose);

void BM_QueryValue(benchmark::State& state)
{
    TempRoot root;
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Software\\Bench");
    const DWORD v = 42;
    RegSetValueExA(key, "FilterType", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
    for (auto _ : state) {
        DWORD out = 0;
        DWORD cb = sizeof out;
        if (RegQueryValueExA(key, "FilterType", nullptr, nullptr, reinterpret_cast<BYTE*>(&out), &cb))
            state.SkipWithError("query failed");
        benchmark::DoNotOptimize(out);
    }
    RegCloseKey(key);
}
BENCHMARK(BM_QueryValue);

void BM_SetValue(benchmark::State& state)
{
    TempRoot root;
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Software\\Bench");
    DWORD v = 0;
    for (auto _ : state) {
        ++v;
        if (RegSetValueExA(key, "Counter", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v))
            state.SkipWithError("set failed");
    }
    RegCloseKey(key);
}
BENCHMARK(BM_SetValue);

// Enumerating every subkey of a key with n subkeys, index by index as callers do.
void BM_EnumKeys(benchmark::State& state, HKEY root, const char* base)
{
    TempRoot rootFolder;
    const int n = static_cast<int>(state.range(0));
    HKEY parent = CreateKey(HKEY_LOCAL_MACHINE, std::string("Software\\Classes\\CLSID"));
    for (int i = 0; i < n; ++i)
        RegCloseKey(CreateKey(parent, "{" + std::to_string(100000 + i) + "-0000}"));
    RegCloseKey(parent);
    HKEY key = nullptr;
    RegOpenKeyExA(root, base, 0, KEY_READ, &key);
    for (auto _ : state) {
        char name[64];
        DWORD count = 0;
        for (DWORD i = 0;; ++i) {
            DWORD cch = sizeof name;
            if (RegEnumKeyExA(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            ++count;
        }
        if (count != static_cast<DWORD>(n))
            state.SkipWithError("wrong count");
    }
    state.SetItemsProcessed(state.iterations() * n);
    RegCloseKey(key);
}
BENCHMARK_CAPTURE(BM_EnumKeys, machine, HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID")->Arg(100)->Arg(2000);
BENCHMARK_CAPTURE(BM_EnumKeys, classes_root, HKEY_CLASSES_ROOT, "CLSID")->Arg(100)->Arg(2000);

} // namespace

BENCHMARK_MAIN();
