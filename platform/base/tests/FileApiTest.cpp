#include "base/FileApi.h"
#include "base/LastError.h"
#include "base/Path.h"
#include "base/WinError.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

class FileApi : public ::testing::Test {
protected:
    std::string Win(const fs::path& p) const
    {
        // Written the platform's way: backslashes between the folders.
        std::string text = p.string();
        for (char& c : text)
            if (c == '/')
                c = '\\';
        return text;
    }

    std::string Read(const fs::path& p) const
    {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    void Touch(const fs::path& p, const std::string& text = "") const { std::ofstream(p) << text; }

    std::vector<std::string> Find(const std::string& pattern) const
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data{};
        HANDLE find = FindFirstFileA(pattern.c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return names;
        do
            names.push_back(data.cFileName);
        while (FindNextFileA(find, &data));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
        EXPECT_TRUE(FindClose(find));
        return names;
    }

    TempRoot root;
    fs::path dir = root.path();
};

} // namespace

TEST_F(FileApi, CreateAlwaysWritesAndReplaces)
{
    const fs::path file = dir / "Lumivane Add-In.ecf";
    HANDLE h = CreateFileA(Win(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(h, "[General]\r\n", 11, &written, nullptr));
    EXPECT_EQ(written, 11u);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(Read(file), "[General]\r\n");

    h = CreateFileA(Win(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(WriteFile(h, "x", 1, &written, nullptr));
    CloseHandle(h);
    EXPECT_EQ(Read(file), "x");
}

TEST_F(FileApi, DispositionsAndTheirFailures)
{
    const std::string name = Win(dir / "a.txt");
    EXPECT_EQ(CreateFileA(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(CreateFileA(Win(dir / "no" / "a.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW, 0,
                           nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_EQ(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));

    h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    CloseHandle(h);
    h = CreateFileA(Win(dir / "b.txt").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    CloseHandle(h);

    // A folder is no file; no access, a template or an unknown disposition is a mistake.
    EXPECT_EQ(CreateFileA(Win(dir).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CreateFileA(name.c_str(), 0, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileA(name.c_str(), GENERIC_READ, 0, nullptr, 9, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(FileApi, TruncateExistingEmptiesTheFile)
{
    Touch(dir / "t.txt", "contents");
    HANDLE h = CreateFileA(Win(dir / "t.txt").c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_EQ(Read(dir / "t.txt"), "");
    EXPECT_EQ(CreateFileA(Win(dir / "t.txt").c_str(), GENERIC_READ, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
}

TEST_F(FileApi, AnUnsharedFileIsHeldAlone)
{
    const std::string name = Win(dir / "held.txt");
    HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                          nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    // The refused open must not have emptied it.
    DWORD written = 0;
    WriteFile(h, "abc", 3, &written, nullptr);
    EXPECT_EQ(_fsopen((dir / "held.txt").c_str(), "a", _SH_DENYNO), nullptr);
    CloseHandle(h);
    EXPECT_EQ(Read(dir / "held.txt"), "abc");
    h = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
}

TEST_F(FileApi, WritesNeedAWritableHandle)
{
    Touch(dir / "r.txt", "r");
    HANDLE h = CreateFileA(Win(dir / "r.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD written = 7;
    EXPECT_FALSE(WriteFile(h, "x", 1, &written, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(written, 0u);
    CloseHandle(h);
    EXPECT_FALSE(WriteFile(h, "x", 1, &written, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    // Other kinds of handles are no files.
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_FALSE(WriteFile(event, "x", 1, &written, nullptr));
    CloseHandle(event);
}

TEST_F(FileApi, AShortWriteReportsAFullDisk)
{
    HANDLE h = CreateFileA("/dev/full", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 99;
    EXPECT_FALSE(WriteFile(h, "data", 4, &written, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(written, 0u);
    CloseHandle(h);
}

TEST_F(FileApi, ReadOnlyAttributeOnANewFile)
{
    HANDLE h = CreateFileA(Win(dir / "ro.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_READONLY,
                           nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    struct stat st {};
    ASSERT_EQ(::stat((dir / "ro.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);
}

TEST_F(FileApi, DeleteFile)
{
    Touch(dir / "gone.ecf");
    EXPECT_TRUE(DeleteFileA(Win(dir / "gone.ecf").c_str()));
    EXPECT_FALSE(fs::exists(dir / "gone.ecf"));
    EXPECT_FALSE(DeleteFileA(Win(dir / "gone.ecf").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(DeleteFileA(Win(dir / "none" / "gone.ecf").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    fs::create_directory(dir / "folder");
    EXPECT_FALSE(DeleteFileA(Win(dir / "folder").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(fs::exists(dir / "folder"));
}

TEST_F(FileApi, AttributesOfFilesAndFolders)
{
    fs::create_directory(dir / "Complts");
    Touch(dir / "plain.txt");
    Touch(dir / ".hidden");
    EXPECT_EQ(GetFileAttributesA(Win(dir / "Complts").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributesA((Win(dir / "Complts") + "\\").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributesA(Win(dir / "plain.txt").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesA(Win(dir / ".hidden").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(GetFileAttributesA(Win(dir / "Suplemen").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetFileAttributesA(Win(dir / "x" / "y").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    if (::geteuid() != 0) { // root may write anything
        fs::permissions(dir / "plain.txt", fs::perms::owner_read);
        EXPECT_EQ(GetFileAttributesA(Win(dir / "plain.txt").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    }
}

TEST_F(FileApi, FindEnumeratesMatchingNamesInOrder)
{
    fs::create_directory(dir / "Office");
    fs::create_directory(dir / "Office" / "Addins");
    Touch(dir / "Office" / "b.ECF", "12345");
    Touch(dir / "Office" / "a.ecf");
    Touch(dir / "Office" / "readme.txt");
    const std::string folder = Win(dir / "Office");
    EXPECT_EQ(Find(folder + "\\*.ecf"), (std::vector<std::string>{"a.ecf", "b.ECF"}));
    EXPECT_EQ(Find(folder + "\\*.*"), (std::vector<std::string>{".", "..", "a.ecf", "Addins", "b.ECF", "readme.txt"}));
    EXPECT_EQ(Find(folder + "\\?.ecf"), (std::vector<std::string>{"a.ecf", "b.ECF"}));
    EXPECT_EQ(Find(folder + "\\README.TXT"), (std::vector<std::string>{"readme.txt"}));
    EXPECT_EQ(Find(folder + "/Add*"), (std::vector<std::string>{"Addins"}));

    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA((folder + "\\b.*").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
    EXPECT_FALSE(CloseHandle(find)); // a search is closed with FindClose
    EXPECT_TRUE(FindClose(find));
    EXPECT_FALSE(FindClose(find));
    EXPECT_FALSE(FindNextFileA(find, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    find = FindFirstFileA((folder + "\\*.*").c_str(), &data);
    bool sawFolder = false;
    do
        sawFolder |= std::string(data.cFileName) == "Addins" && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    while (FindNextFileA(find, &data));
    FindClose(find);
    EXPECT_TRUE(sawFolder);
}

TEST_F(FileApi, FindWithoutAMatch)
{
    WIN32_FIND_DATAA data{};
    EXPECT_EQ(FindFirstFileA(Win(dir / "*.ecf").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(FindFirstFileA(Win(dir / "none" / "*.*").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}
