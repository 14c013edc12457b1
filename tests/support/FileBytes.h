// A file's bytes for tests that damage files on purpose and check that nothing else changed them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

std::string ReadFileBytes(const std::filesystem::path& path);
// Writes `bytes` over the file's bytes from offset `at` on.
void OverwriteFileBytes(const std::filesystem::path& path, std::size_t at, const std::string& bytes);
// The file's size, 0 when there is no such file.
std::uintmax_t FileSizeOr0(const std::filesystem::path& path);
