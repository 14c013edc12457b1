// Several processes on one registry database: concurrent writers, and writers killed in the
// middle of their work.
#include "registry/Registry.h"

#include "TempRoot.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <csignal>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Child {
    pid_t pid = -1;
    int out = -1; // read end of the child's stdout, or -1
};

Child Spawn(const std::vector<std::string>& args, bool capture)
{
    int fds[2] = {-1, -1};
    if (capture && pipe(fds) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        if (capture) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            close(fds[1]);
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(REGISTRY_TEST_WRITER));
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(REGISTRY_TEST_WRITER, argv.data());
        _exit(127);
    }
    if (capture)
        close(fds[1]);
    return {pid, capture ? fds[0] : -1};
}

int Wait(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

bool HasDword(HKEY key, const std::string& name, DWORD expected)
{
    DWORD value = 0;
    DWORD cb = sizeof value;
    DWORD type = 0;
    return RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &cb) ==
               ERROR_SUCCESS &&
           type == REG_DWORD && value == expected;
}

std::string IntegrityCheck(const std::filesystem::path& file)
{
    sqlite3* db = nullptr;
    std::string result = "cannot open";
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW)
            result = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return result;
}

TEST(RegistryProcessTest, ConcurrentWritersLoseNothing)
{
    TempRoot root;
    constexpr int kWriters = 3;
    constexpr int kValues = 2000;
    std::vector<Child> children;
    for (int w = 0; w < kWriters; ++w)
        children.push_back(Spawn({"Software\\Shared", "w" + std::to_string(w) + "-", std::to_string(kValues)}, false));
    for (const auto& c : children) {
        ASSERT_GT(c.pid, 0);
        const int status = Wait(c.pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(0, WEXITSTATUS(status));
    }
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Shared", 0, KEY_READ, &key));
    DWORD values = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                                              nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(kWriters * kValues), values);
    int missing = 0;
    for (int w = 0; w < kWriters; ++w)
        for (int i = 0; i < kValues; ++i)
            missing += !HasDword(key, "w" + std::to_string(w) + "-" + std::to_string(i), static_cast<DWORD>(i));
    EXPECT_EQ(0, missing);
    RegCloseKey(key);
    EXPECT_EQ("ok", IntegrityCheck(root.path() / "registry.db"));
}

TEST(RegistryProcessTest, KilledWriterKeepsEveryCommittedWrite)
{
    TempRoot root;
    std::mt19937 random(12345);
    constexpr int kRounds = 25;
    for (int round = 0; round < kRounds; ++round) {
        const std::string prefix = "r" + std::to_string(round) + "-";
        Child child = Spawn({"Software\\Killed", prefix, "100000000", "report"}, true);
        ASSERT_GT(child.pid, 0);
        const int killAfter = std::uniform_int_distribution<int>(1, 1500)(random);
        std::string pending;
        long lastCommitted = -1;
        bool killed = false;
        char buffer[4096];
        for (;;) {
            const ssize_t n = read(child.out, buffer, sizeof buffer);
            if (n <= 0)
                break;
            pending.append(buffer, static_cast<std::size_t>(n));
            std::size_t nl;
            while ((nl = pending.find('\n')) != std::string::npos) {
                lastCommitted = std::stol(pending.substr(0, nl));
                pending.erase(0, nl + 1);
            }
            if (!killed && lastCommitted >= killAfter) {
                kill(child.pid, SIGKILL);
                killed = true;
            }
        }
        close(child.out);
        const int status = Wait(child.pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round;

        // The database opens, and every write the child saw succeed is there.
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Killed", 0, KEY_READ, &key));
        int missing = 0;
        for (long i = 0; i <= lastCommitted; ++i)
            missing += !HasDword(key, prefix + std::to_string(i), static_cast<DWORD>(i));
        EXPECT_EQ(0, missing) << "round " << round << ", last committed " << lastCommitted;
        RegCloseKey(key);
    }
    // This process can go on writing.
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\After", 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    RegCloseKey(key);
    EXPECT_EQ("ok", IntegrityCheck(root.path() / "registry.db"));
}

TEST(RegistryProcessTest, ForkedChildUsesItsOwnConnection)
{
    TempRoot root;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Fork", 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    const pid_t pid = fork();
    if (pid == 0) {
        const DWORD v = 42;
        const LONG rc = RegSetValueExA(key, "child", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
        _exit(rc == ERROR_SUCCESS ? 0 : 1);
    }
    const int status = Wait(pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
    EXPECT_TRUE(HasDword(key, "child", 42));
    RegCloseKey(key);
}

} // namespace
