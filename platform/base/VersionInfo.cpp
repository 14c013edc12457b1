#include "base/VersionInfo.h"

#include "base/LastError.h"
#include "base/WinError.h"

#include <cerrno>
#include <cstring>
#include <elf.h>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

// The block handed to callers: a size, the magic and the fixed information.
struct VersionBlock {
    DWORD length;
    char magic[8];
    VS_FIXEDFILEINFO fixed;
};

struct Record {
    char magic[8];
    VS_FIXEDFILEINFO fixed;
};

std::string Slashes(const char* path)
{
    std::string s = path ? path : "";
    for (char& c : s)
        if (c == '\\')
            c = '/';
    return s;
}

template <typename Ehdr, typename Shdr>
std::optional<Record> FindRecord(std::ifstream& in, DWORD& error)
{
    Ehdr header{};
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(&header), sizeof header) || header.e_shentsize != sizeof(Shdr) ||
        header.e_shstrndx >= header.e_shnum) {
        error = ERROR_BAD_EXE_FORMAT;
        return std::nullopt;
    }
    std::vector<Shdr> sections(header.e_shnum);
    in.seekg(static_cast<std::streamoff>(header.e_shoff));
    if (!in.read(reinterpret_cast<char*>(sections.data()), static_cast<std::streamsize>(sections.size() * sizeof(Shdr)))) {
        error = ERROR_BAD_EXE_FORMAT;
        return std::nullopt;
    }
    const Shdr& names = sections[header.e_shstrndx];
    if (names.sh_size > (1u << 24)) {
        error = ERROR_BAD_EXE_FORMAT;
        return std::nullopt;
    }
    std::string table(names.sh_size, '\0');
    in.seekg(static_cast<std::streamoff>(names.sh_offset));
    if (!in.read(table.data(), static_cast<std::streamsize>(table.size()))) {
        error = ERROR_BAD_EXE_FORMAT;
        return std::nullopt;
    }
    for (const Shdr& s : sections) {
        if (s.sh_name >= table.size() || std::strcmp(table.c_str() + s.sh_name, MODULE_VERSION_SECTION) != 0)
            continue;
        if (s.sh_type == SHT_NOBITS || s.sh_size < sizeof(Record))
            break;
        Record record{};
        in.seekg(static_cast<std::streamoff>(s.sh_offset));
        if (!in.read(reinterpret_cast<char*>(&record), sizeof record))
            break;
        if (std::memcmp(record.magic, MODULE_VERSION_MAGIC, sizeof MODULE_VERSION_MAGIC) != 0 ||
            record.fixed.dwSignature != VS_FFI_SIGNATURE)
            break;
        return record;
    }
    error = ERROR_RESOURCE_TYPE_NOT_FOUND;
    return std::nullopt;
}

std::optional<Record> ReadRecord(const char* fileName)
{
    std::ifstream in(Slashes(fileName), std::ios::binary);
    if (!in) {
        SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_FILE_NOT_FOUND : Win32ErrorFromErrno(errno));
        return std::nullopt;
    }
    unsigned char ident[EI_NIDENT] = {};
    if (!in.read(reinterpret_cast<char*>(ident), sizeof ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0) {
        SetLastError(ERROR_BAD_EXE_FORMAT);
        return std::nullopt;
    }
    DWORD error = ERROR_BAD_EXE_FORMAT;
    std::optional<Record> record;
    if (ident[EI_CLASS] == ELFCLASS64)
        record = FindRecord<Elf64_Ehdr, Elf64_Shdr>(in, error);
    else if (ident[EI_CLASS] == ELFCLASS32)
        record = FindRecord<Elf32_Ehdr, Elf32_Shdr>(in, error);
    if (!record)
        SetLastError(error);
    return record;
}

} // namespace

DWORD GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle)
{
    if (handle)
        *handle = 0;
    if (!fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return ReadRecord(fileName) ? static_cast<DWORD>(sizeof(VersionBlock)) : 0;
}

BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD, DWORD size, LPVOID data)
{
    if (!fileName || !data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto record = ReadRecord(fileName);
    if (!record)
        return FALSE;
    VersionBlock block{};
    block.length = sizeof block;
    std::memcpy(block.magic, record->magic, sizeof block.magic);
    block.fixed = record->fixed;
    // A short buffer gets what fits, as the platform does.
    std::memcpy(data, &block, size < sizeof block ? size : sizeof block);
    if (size < sizeof block) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    return TRUE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length)
{
    if (!block || !subBlock || !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* data = static_cast<const VersionBlock*>(block);
    if (data->length != sizeof(VersionBlock) || std::memcmp(data->magic, MODULE_VERSION_MAGIC, sizeof MODULE_VERSION_MAGIC) != 0) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    if (std::strcmp(subBlock, "\\") != 0 && std::strcmp(subBlock, "/") != 0) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    *buffer = const_cast<VS_FIXEDFILEINFO*>(&data->fixed);
    if (length)
        *length = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
}
