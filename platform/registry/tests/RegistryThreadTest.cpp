// Handles used from several threads at once, and batches of changes.
#include "registry/Registry.h"
#include "registry/RegistryBatch.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

DWORD CountValues(HKEY key)
{
    DWORD values = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                                              nullptr, nullptr, nullptr, nullptr));
    return values;
}

TEST(RegistryThreadTest, ThreadsShareHandlesAndLoseNothing)
{
    TempRoot root;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Threads", 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    constexpr int kThreads = 6;
    constexpr int kValues = 200;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kValues; ++i) {
                const std::string name = "t" + std::to_string(t) + "-" + std::to_string(i);
                const DWORD v = static_cast<DWORD>(i);
                if (RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v))
                    ++failures[t];
                HKEY sub = nullptr;
                if (RegCreateKeyExA(key, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr) ||
                    RegCloseKey(sub))
                    ++failures[t];
            }
        });
    }
    for (auto& th : threads)
        th.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(0, failures[t]);
    EXPECT_EQ(static_cast<DWORD>(kThreads * kValues), CountValues(key));
    RegCloseKey(key);
}

TEST(RegistryThreadTest, BatchCommitsAllOrNothing)
{
    TempRoot root;
    {
        platform::registry::RegistryBatch batch;
        ASSERT_EQ(ERROR_SUCCESS, batch.Status());
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Batch\\Dropped", 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &key, nullptr));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "v", 0, REG_BINARY, reinterpret_cast<const BYTE*>("x"), 1));
        // A failing call inside the batch changes nothing and leaves the batch usable.
        EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Batch"));
        RegCloseKey(key);
        // No Commit: everything is rolled back.
    }
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Batch", 0, KEY_READ, &key));

    // A batch inside a batch belongs to the outer one.
    {
        platform::registry::RegistryBatch outer;
        {
            platform::registry::RegistryBatch inner;
            ASSERT_EQ(ERROR_SUCCESS, RegSetValueA(HKEY_CURRENT_USER, "Software\\Batch\\Inner", REG_SZ, "x", 0));
            EXPECT_EQ(ERROR_SUCCESS, inner.Commit());
            EXPECT_EQ(ERROR_INVALID_FUNCTION, inner.Commit());
        }
        {
            platform::registry::RegistryBatch dropped;
            ASSERT_EQ(ERROR_SUCCESS, RegSetValueA(HKEY_CURRENT_USER, "Software\\Batch\\Dropped", REG_SZ, "x", 0));
        }
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Batch\\Inner", 0, KEY_READ, &key));
        RegCloseKey(key);
        EXPECT_EQ(ERROR_FILE_NOT_FOUND,
                  RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Batch\\Dropped", 0, KEY_READ, &key));
        // The outer batch ends without Commit: the inner change goes too.
    }
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Batch", 0, KEY_READ, &key));

    {
        platform::registry::RegistryBatch batch;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Batch\\Kept", 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &key, nullptr));
        RegCloseKey(key);
        // Another thread waits for the batch to end and then sees its result.
        bool seen = false;
        std::thread reader([&] {
            HKEY k = nullptr;
            seen = RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Batch\\Kept", 0, KEY_READ, &k) == ERROR_SUCCESS;
            RegCloseKey(k);
        });
        ASSERT_EQ(ERROR_SUCCESS, batch.Commit());
        reader.join();
        EXPECT_TRUE(seen);
    }
}

} // namespace
