#include "base/LastError.h"
#include "base/Path.h"
#include "base/WinError.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Split {
    std::string drive, dir, fname, ext;
};

Split DoSplit(const char* path)
{
    char drive[_MAX_DRIVE], dir[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
    _splitpath(path, drive, dir, fname, ext);
    return {drive, dir, fname, ext};
}

std::string ReadAll(const std::filesystem::path& p)
{
    std::ifstream in(p);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(Path, SplitPath)
{
    Split s = DoSplit("/var/log/trace.txt");
    EXPECT_EQ(s.drive, "");
    EXPECT_EQ(s.dir, "/var/log/");
    EXPECT_EQ(s.fname, "trace");
    EXPECT_EQ(s.ext, ".txt");

    s = DoSplit("C:\\log\\trace_HOST.EXE.txt"); // backslashes separate; the last point counts
    EXPECT_EQ(s.dir, "C:\\log\\");
    EXPECT_EQ(s.fname, "trace_HOST.EXE");
    EXPECT_EQ(s.ext, ".txt");

    s = DoSplit("/a.dir/noext");
    EXPECT_EQ(s.dir, "/a.dir/");
    EXPECT_EQ(s.fname, "noext");
    EXPECT_EQ(s.ext, "");

    s = DoSplit("plain");
    EXPECT_EQ(s.dir, "");
    EXPECT_EQ(s.fname, "plain");

    // Null outputs are skipped; an over-long part is cut to its buffer.
    char ext[_MAX_EXT];
    _splitpath("/x/y.z", nullptr, nullptr, nullptr, ext);
    EXPECT_STREQ(ext, ".z");
    const std::string longName = "/d/" + std::string(400, 'n') + ".e";
    char fname[_MAX_FNAME];
    _splitpath(longName.c_str(), nullptr, nullptr, fname, nullptr);
    EXPECT_EQ(std::string(fname), std::string(_MAX_FNAME - 1, 'n'));
}

TEST(Path, MakePath)
{
    char path[_MAX_PATH];
    _makepath(path, "", "/var/log/", "trace_HOST.EXE", ".txt");
    EXPECT_STREQ(path, "/var/log/trace_HOST.EXE.txt");
    _makepath(path, nullptr, "/var/log", "trace", "txt");
    EXPECT_STREQ(path, "/var/log/trace.txt");
    _makepath(path, nullptr, nullptr, "name", nullptr);
    EXPECT_STREQ(path, "name");
    _makepath(path, "C", "\\dir\\", "f", "");
    EXPECT_STREQ(path, "C:\\dir\\f");
    const std::string longDir = "/" + std::string(300, 'd') + "/";
    _makepath(path, nullptr, longDir.c_str(), "f", ".x");
    EXPECT_EQ(std::string(path).size(), static_cast<std::size_t>(_MAX_PATH - 1));
}

TEST(Path, DenyWriteExcludesASecondWriterInThisProcess)
{
    TempRoot root;
    const auto file = root.path() / "log.txt";
    std::ofstream(file) << "old content";
    std::string backslashed = file.string();
    for (char& c : backslashed)
        if (c == '/')
            c = '\\';

    FILE* first = _fsopen(backslashed.c_str(), "w", _SH_DENYWR);
    ASSERT_NE(first, nullptr);
    std::fputs("first\n", first);
    std::fflush(first);

    errno = 0;
    SetLastError(0);
    EXPECT_EQ(_fsopen(file.c_str(), "w", _SH_DENYWR), nullptr);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(_fsopen(file.c_str(), "a", _SH_DENYNO), nullptr); // writers are kept out too
    // The failed opens did not truncate the file.
    EXPECT_EQ(ReadAll(file), "first\n");
    // Readers may come in.
    FILE* reader = _fsopen(file.c_str(), "r", _SH_DENYNO);
    ASSERT_NE(reader, nullptr);
    std::fclose(reader);

    std::fclose(first);
    FILE* again = _fsopen(file.c_str(), "w", _SH_DENYWR);
    ASSERT_NE(again, nullptr);
    std::fclose(again);
    EXPECT_EQ(ReadAll(file), ""); // "w" truncates once the lock is won
}

TEST(Path, DenyWriteExcludesAnotherProcess)
{
    TempRoot root;
    const auto file = root.path() / "shared.txt";
    FILE* mine = _fsopen(file.c_str(), "w", _SH_DENYWR);
    ASSERT_NE(mine, nullptr);
    std::fputs("parent", mine);
    std::fflush(mine);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FILE* f = _fsopen(file.c_str(), "w", _SH_DENYWR);
        _exit(f == nullptr && errno == EACCES ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadAll(file), "parent");
    std::fclose(mine);

    // A writer that denies nothing still keeps a later deny-write open out.
    FILE* writer = _fsopen(file.c_str(), "a", _SH_DENYNO);
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(_fsopen(file.c_str(), "r", _SH_DENYWR), nullptr);
    std::fclose(writer);

    EXPECT_EQ(_fsopen((root.path() / "no/dir/x").c_str(), "w", _SH_DENYWR), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(_fsopen(file.c_str(), "q", _SH_DENYNO), nullptr);
}
