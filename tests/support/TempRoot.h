// A fresh platform root for one test: a new temporary folder that PLATFORM_ROOT points at
// while the object lives. The previous value is restored and the folder removed afterwards.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

class TempRoot {
public:
    TempRoot();
    ~TempRoot();
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // Keeps the folder after the test (for looking at it by hand).
    void keep() { m_keep = true; }

private:
    std::filesystem::path m_path;
    std::optional<std::string> m_previous;
    bool m_keep = false;
};
