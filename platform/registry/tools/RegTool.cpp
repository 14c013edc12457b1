#include "RegTool.h"

#include "RegErrorText.h"
#include "RegFileReader.h"
#include "RegFileWriter.h"
#include "RegValueText.h"
#include "base/DamageMark.h"
#include "base/PlatformRoot.h"
#include "base/Utf.h"
#include "registry/DatabaseCheck.h"
#include "registry/RegistryBatch.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char kDone[] = "The operation completed successfully.";

// Closes a key when it goes out of scope (predefined roots are left alone by RegCloseKey).
class KeyHolder {
public:
    KeyHolder() = default;
    ~KeyHolder()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    KeyHolder(const KeyHolder&) = delete;
    KeyHolder& operator=(const KeyHolder&) = delete;
    HKEY* Out() { return &m_key; }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

// Only the tool's own switch names count as switches: "/tmp/file.reg" is a file name.
bool IsSwitch(const std::string& arg)
{
    if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-'))
        return false;
    const std::string name = platform::ToLowerAscii(arg.substr(1));
    for (const char* known : {"v", "ve", "va", "s", "f", "y", "t", "d"})
        if (name == known)
            return true;
    return false;
}

} // namespace

std::string RegTool::UsageText()
{
    return "Usage:\n"
           "  regtool query KEY [/v NAME | /ve] [/s]\n"
           "  regtool add KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]\n"
           "  regtool delete KEY [/v NAME | /ve | /va] [/f]\n"
           "  regtool export KEY FILE [/y]\n"
           "  regtool import FILE\n"
           "  regtool check\n"
           "KEY begins with HKLM, HKCU, HKCR or HKU (or HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER,\n"
           "HKEY_CLASSES_ROOT, HKEY_USERS). TYPE is REG_SZ (the default), REG_EXPAND_SZ, REG_MULTI_SZ,\n"
           "REG_DWORD, REG_QWORD, REG_BINARY or REG_NONE. REG_MULTI_SZ data separates its strings\n"
           "with \\0; REG_DWORD and REG_QWORD data is decimal or 0x hexadecimal; REG_BINARY and\n"
           "REG_NONE data is hexadecimal digits, two per byte. /f does not ask before overwriting\n"
           "or deleting, /y overwrites an existing export file. check runs SQLite's integrity check over\n"
           "the registry database and says what is damaged.\n";
}

int RegTool::Syntax(const std::string& message)
{
    m_err << "ERROR: Invalid syntax. " << message << "\n" << UsageText();
    return 1;
}

int RegTool::Fail(const std::string& message)
{
    m_err << "ERROR: " << message << "\n";
    return 1;
}

int RegTool::Fail(LONG code)
{
    return Fail(RegErrorText(code));
}

bool RegTool::Confirm(const std::string& question)
{
    m_out << question << " (Yes/No)? " << std::flush;
    std::string answer;
    if (!std::getline(m_in, answer))
        return false;
    const std::string a = platform::ToLowerAscii(answer);
    return a == "y" || a == "yes";
}

bool RegTool::ParseOptions(const std::vector<std::string>& args, const std::string& allowed, Options& options)
{
    auto allows = [&](const std::string& name) { return (" " + allowed + " ").find(" " + name + " ") != std::string::npos; };
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!IsSwitch(arg)) {
            options.positional.push_back(arg);
            continue;
        }
        const std::string name = platform::ToLowerAscii(arg.substr(1));
        if (!allows(name)) {
            Syntax("Unknown or misplaced switch " + arg + ".");
            return false;
        }
        auto takeArgument = [&](std::optional<std::string>& slot) {
            if (slot) {
                Syntax("Switch " + arg + " is given twice.");
                return false;
            }
            if (i + 1 >= args.size()) {
                Syntax("Switch " + arg + " needs an argument.");
                return false;
            }
            slot = args[++i];
            return true;
        };
        auto takeFlag = [&](bool& flag) {
            if (flag) {
                Syntax("Switch " + arg + " is given twice.");
                return false;
            }
            flag = true;
            return true;
        };
        bool ok = true;
        if (name == "v")
            ok = takeArgument(options.value);
        else if (name == "t")
            ok = takeArgument(options.type);
        else if (name == "d")
            ok = takeArgument(options.data);
        else if (name == "ve")
            ok = takeFlag(options.defaultValue);
        else if (name == "va")
            ok = takeFlag(options.allValues);
        else if (name == "s")
            ok = takeFlag(options.recurse);
        else if (name == "f")
            ok = takeFlag(options.force);
        else if (name == "y")
            ok = takeFlag(options.overwriteFile);
        if (!ok)
            return false;
    }
    const int choices = (options.value ? 1 : 0) + (options.defaultValue ? 1 : 0) + (options.allValues ? 1 : 0);
    if (choices > 1) {
        Syntax("Use only one of /v, /ve and /va.");
        return false;
    }
    return true;
}

std::optional<RegKeyPath> RegTool::KeyArgument(const Options& options)
{
    auto path = RegKeyPath::Parse(options.positional.front());
    if (!path)
        Fail("Invalid key name \"" + options.positional.front() +
             "\". A key begins with HKLM, HKCU, HKCR or HKU and has no empty parts.");
    return path;
}

int RegTool::Run(const std::vector<std::string>& args)
{
    if (args.empty())
        return Syntax("No command given.");
    const std::string command = platform::ToLowerAscii(args[0]);
    if (command == "query")
        return Query(args);
    if (command == "add")
        return Add(args);
    if (command == "delete")
        return Delete(args);
    if (command == "export")
        return Export(args);
    if (command == "import")
        return Import(args);
    if (command == "check")
        return Check(args);
    if (command == "/?" || command == "-?" || command == "help" || command == "--help") {
        m_out << UsageText();
        return 0;
    }
    return Syntax("Unknown command \"" + args[0] + "\".");
}

// --- reading keys --------------------------------------------------------------------------

LONG RegTool::ReadValues(HKEY key, std::vector<Value>& values)
{
    values.clear();
    DWORD maxName = 0;
    DWORD maxData = 0;
    LONG rc = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, &maxData,
                               nullptr, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    std::vector<char> name(maxName + 1);
    std::vector<BYTE> data(std::max<DWORD>(maxData, 1));
    for (DWORD i = 0;;) {
        DWORD cchName = static_cast<DWORD>(name.size());
        DWORD cbData = static_cast<DWORD>(data.size());
        DWORD type = 0;
        rc = RegEnumValueA(key, i, name.data(), &cchName, nullptr, &type, data.data(), &cbData);
        if (rc == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (rc == ERROR_MORE_DATA) { // changed by someone else meanwhile: larger buffers
            name.resize(name.size() * 2 + 256);
            data.resize(std::max<std::size_t>(data.size() * 2, cbData));
            continue;
        }
        if (rc != ERROR_SUCCESS)
            return rc;
        values.push_back({std::string(name.data(), cchName), type, std::vector<BYTE>(data.begin(), data.begin() + cbData)});
        ++i;
    }
}

LONG RegTool::ReadSubkeys(HKEY key, std::vector<std::string>& names)
{
    names.clear();
    std::vector<char> name(256);
    for (DWORD i = 0;;) {
        DWORD cch = static_cast<DWORD>(name.size());
        const LONG rc = RegEnumKeyExA(key, i, name.data(), &cch, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (rc == ERROR_MORE_DATA) {
            name.resize(name.size() * 2);
            continue;
        }
        if (rc != ERROR_SUCCESS)
            return rc;
        names.emplace_back(name.data(), cch);
        ++i;
    }
}

LONG RegTool::ForEachSubkey(HKEY key, const std::function<LONG(const std::string&, HKEY)>& visit)
{
    std::vector<std::string> subkeys;
    if (const LONG rc = ReadSubkeys(key, subkeys); rc != ERROR_SUCCESS)
        return rc;
    for (const auto& name : subkeys) {
        KeyHolder sub;
        if (const LONG rc = RegOpenKeyExA(key, name.c_str(), 0, KEY_READ, sub.Out()); rc != ERROR_SUCCESS)
            return rc;
        if (const LONG rc = visit(name, sub.Get()); rc != ERROR_SUCCESS)
            return rc;
    }
    return ERROR_SUCCESS;
}

void RegTool::PrintValue(const Value& value)
{
    m_out << "    " << (value.name.empty() ? "(Default)" : value.name) << "    " << RegValueText::TypeName(value.type)
          << "    " << RegValueText::Display(value.type, value.data) << "\n";
}

// --- query ---------------------------------------------------------------------------------

LONG RegTool::QueryTree(const RegKeyPath& path, HKEY key, const std::optional<std::string>& only, int& matches)
{
    std::vector<Value> values;
    if (const LONG rc = ReadValues(key, values); rc != ERROR_SUCCESS)
        return rc;
    bool headed = false;
    for (const auto& v : values) {
        if (only && !platform::EqualNoCase(v.name, *only))
            continue;
        if (!headed) {
            m_out << "\n" << path.Display() << "\n";
            headed = true;
        }
        PrintValue(v);
        ++matches;
    }
    if (!only && !headed)
        m_out << "\n" << path.Display() << "\n";
    return ForEachSubkey(key, [&](const std::string& name, HKEY sub) {
        return QueryTree(path.Child(name), sub, only, matches);
    });
}

int RegTool::Query(const std::vector<std::string>& args)
{
    Options options;
    if (!ParseOptions(args, "v ve s", options))
        return 1;
    if (options.positional.size() != 1)
        return Syntax("query takes one key.");
    const auto path = KeyArgument(options);
    if (!path)
        return 1;
    KeyHolder key;
    if (const LONG rc = RegOpenKeyExA(path->Root(), path->SubKey().c_str(), 0, KEY_READ, key.Out()); rc != ERROR_SUCCESS)
        return Fail(rc);

    std::optional<std::string> only = options.value;
    if (options.defaultValue)
        only = std::string();
    if (options.recurse) {
        int matches = 0;
        if (const LONG rc = QueryTree(*path, key.Get(), only, matches); rc != ERROR_SUCCESS)
            return Fail(rc);
        if (only) {
            m_out << "End of search: " << matches << " match(es) found.\n";
            return matches ? 0 : 1;
        }
        return 0;
    }
    std::vector<Value> values;
    if (const LONG rc = ReadValues(key.Get(), values); rc != ERROR_SUCCESS)
        return Fail(rc);
    if (only) {
        for (const auto& v : values) {
            if (platform::EqualNoCase(v.name, *only)) {
                m_out << "\n" << path->Display() << "\n";
                PrintValue(v);
                return 0;
            }
        }
        return Fail(ERROR_FILE_NOT_FOUND);
    }
    m_out << "\n" << path->Display() << "\n";
    for (const auto& v : values)
        PrintValue(v);
    std::vector<std::string> subkeys;
    if (const LONG rc = ReadSubkeys(key.Get(), subkeys); rc != ERROR_SUCCESS)
        return Fail(rc);
    if (!subkeys.empty()) {
        m_out << "\n";
        for (const auto& name : subkeys)
            m_out << path->Child(name).Display() << "\n";
    }
    return 0;
}

// --- add -----------------------------------------------------------------------------------

int RegTool::Add(const std::vector<std::string>& args)
{
    Options options;
    if (!ParseOptions(args, "v ve t d f", options))
        return 1;
    if (options.positional.size() != 1)
        return Syntax("add takes one key.");
    const auto path = KeyArgument(options);
    if (!path)
        return 1;
    const bool setsValue = options.value || options.defaultValue || options.type || options.data;
    if (options.value && options.value->empty())
        return Syntax("/v needs a value name; the default value is /ve.");

    DWORD type = REG_SZ;
    if (options.type) {
        const auto t = RegValueText::TypeFromName(*options.type);
        if (!t)
            return Fail("Invalid value type \"" + *options.type +
                        "\". Types: REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD, REG_BINARY, REG_NONE.");
        type = *t;
    }
    std::vector<BYTE> data;
    if (setsValue) {
        std::string error;
        const bool number = type == REG_DWORD || type == REG_QWORD;
        if (!RegValueText::Parse(type, options.data.value_or(number ? "0" : ""), data, error))
            return Fail(error);
    }

    if (path->IsRoot() && !setsValue)
        return Fail("A root key exists already; name a key below it.");
    KeyHolder key;
    if (const LONG rc = RegCreateKeyExA(path->Root(), path->SubKey().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                        key.Out(), nullptr);
        rc != ERROR_SUCCESS)
        return Fail(rc);
    if (setsValue) {
        const std::string name = options.value.value_or(std::string());
        const LONG exists = RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr);
        if (exists == ERROR_SUCCESS && !options.force &&
            !Confirm("Value " + (name.empty() ? std::string("(Default)") : name) + " exists, overwrite")) {
            m_out << "The operation was cancelled.\n";
            return 1;
        }
        if (const LONG rc = RegSetValueExA(key.Get(), name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size()));
            rc != ERROR_SUCCESS)
            return Fail(rc);
    }
    m_out << kDone << "\n";
    return 0;
}

// --- delete --------------------------------------------------------------------------------

int RegTool::Delete(const std::vector<std::string>& args)
{
    Options options;
    if (!ParseOptions(args, "v ve va f", options))
        return 1;
    if (options.positional.size() != 1)
        return Syntax("delete takes one key.");
    const auto path = KeyArgument(options);
    if (!path)
        return 1;
    KeyHolder key;
    if (const LONG rc = RegOpenKeyExA(path->Root(), path->SubKey().c_str(), 0, KEY_ALL_ACCESS, key.Out());
        rc != ERROR_SUCCESS)
        return Fail(rc);

    if (options.value || options.defaultValue) {
        const std::string name = options.value.value_or(std::string());
        if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return Fail(ERROR_FILE_NOT_FOUND);
        if (!options.force && !Confirm("Delete the registry value " + (name.empty() ? std::string("(Default)") : name))) {
            m_out << "The operation was cancelled.\n";
            return 1;
        }
        if (const LONG rc = RegDeleteValueA(key.Get(), name.c_str()); rc != ERROR_SUCCESS)
            return Fail(rc);
    } else if (options.allValues) {
        if (!options.force && !Confirm("Delete all values under the registry key " + path->Display())) {
            m_out << "The operation was cancelled.\n";
            return 1;
        }
        platform::registry::RegistryBatch batch;
        std::vector<Value> values;
        LONG rc = ReadValues(key.Get(), values);
        for (std::size_t i = 0; rc == ERROR_SUCCESS && i < values.size(); ++i)
            rc = RegDeleteValueA(key.Get(), values[i].name.c_str());
        if (rc == ERROR_SUCCESS)
            rc = batch.Commit();
        if (rc != ERROR_SUCCESS)
            return Fail(rc);
    } else {
        if (path->IsRoot())
            return Fail("A root key cannot be deleted.");
        if (!options.force && !Confirm("Permanently delete the registry key " + path->Display())) {
            m_out << "The operation was cancelled.\n";
            return 1;
        }
        if (const LONG rc = RegDeleteTreeA(path->Root(), path->SubKey().c_str()); rc != ERROR_SUCCESS)
            return Fail(rc);
    }
    m_out << kDone << "\n";
    return 0;
}

// --- export and import ---------------------------------------------------------------------

LONG RegTool::ExportTree(const std::string& display, HKEY key, std::string& text)
{
    std::string section;
    if (!RegFileWriter::Section(display, section))
        return ERROR_INVALID_PARAMETER;
    text += section;
    std::vector<Value> values;
    if (const LONG rc = ReadValues(key, values); rc != ERROR_SUCCESS)
        return rc;
    for (const auto& v : values)
        text += RegFileWriter::ValueLine(v.name, v.type, v.data);
    text += "\n";
    return ForEachSubkey(key, [&](const std::string& name, HKEY sub) {
        return ExportTree(display + "\\" + name, sub, text);
    });
}

int RegTool::Export(const std::vector<std::string>& args)
{
    Options options;
    if (!ParseOptions(args, "y", options))
        return 1;
    if (options.positional.size() != 2)
        return Syntax("export takes a key and a file name.");
    const auto path = KeyArgument(options);
    if (!path)
        return 1;
    const fs::path file = options.positional[1];
    KeyHolder key;
    if (const LONG rc = RegOpenKeyExA(path->Root(), path->SubKey().c_str(), 0, KEY_READ, key.Out()); rc != ERROR_SUCCESS)
        return Fail(rc);
    std::string text = RegFileWriter::Header();
    if (const LONG rc = ExportTree(path->Display(), key.Get(), text); rc != ERROR_SUCCESS)
        return rc == ERROR_INVALID_PARAMETER ? Fail("A key name holds a line break; it cannot be exported.") : Fail(rc);

    std::error_code ec;
    if (fs::exists(file, ec) && !options.overwriteFile &&
        !Confirm("File " + file.string() + " already exists. Overwrite")) {
        m_out << "The operation was cancelled.\n";
        return 1;
    }
    // Written beside the target and renamed over it: never a half-written file.
    const fs::path temp = file.string() + ".tmp" + std::to_string(getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            const std::string why = std::strerror(errno);
            fs::remove(temp, ec);
            return Fail("Cannot write " + file.string() + ": " + why + ".");
        }
    }
    fs::rename(temp, file, ec);
    if (ec) {
        fs::remove(temp, ec);
        return Fail("Cannot write " + file.string() + ": " + ec.message() + ".");
    }
    m_out << kDone << "\n";
    return 0;
}

int RegTool::Import(const std::vector<std::string>& args)
{
    Options options;
    if (!ParseOptions(args, "", options))
        return 1;
    if (options.positional.size() != 1)
        return Syntax("import takes one file name.");
    const std::string& file = options.positional[0];
    std::error_code ec;
    if (fs::is_directory(file, ec))
        return Fail("Cannot read " + file + ": it is a directory.");
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return Fail("Cannot read " + file + ": " + std::strerror(errno) + ".");
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return Fail("Cannot read " + file + ".");

    std::vector<RegFileOperation> operations;
    std::string error;
    if (!RegFileReader::Parse(bytes, operations, error))
        return Fail(file + ", " + error + ". Nothing was imported.");

    // All or nothing: one transaction over every change.
    platform::registry::RegistryBatch batch;
    if (batch.Status() != ERROR_SUCCESS)
        return Fail(batch.Status());
    HKEY current = nullptr;
    const RegFileOperation* currentFor = nullptr;
    auto closeCurrent = [&] {
        if (current)
            RegCloseKey(current);
        current = nullptr;
        currentFor = nullptr;
    };
    for (const auto& op : operations) {
        LONG rc = ERROR_SUCCESS;
        switch (op.kind) {
        case RegFileOperation::Kind::CreateKey:
            closeCurrent();
            rc = RegCreateKeyExA(op.key.Root(), op.key.SubKey().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                 &current, nullptr);
            if (rc == ERROR_SUCCESS)
                currentFor = &op;
            break;
        case RegFileOperation::Kind::DeleteKey:
            closeCurrent();
            rc = RegDeleteTreeA(op.key.Root(), op.key.SubKey().c_str());
            if (rc == ERROR_FILE_NOT_FOUND)
                rc = ERROR_SUCCESS;
            break;
        case RegFileOperation::Kind::SetValue:
            rc = currentFor ? RegSetValueExA(current, op.name.c_str(), 0, op.type, op.data.data(),
                                             static_cast<DWORD>(op.data.size()))
                            : ERROR_INVALID_HANDLE;
            break;
        case RegFileOperation::Kind::DeleteValue:
            rc = currentFor ? RegDeleteValueA(current, op.name.c_str()) : ERROR_INVALID_HANDLE;
            if (rc == ERROR_FILE_NOT_FOUND)
                rc = ERROR_SUCCESS;
            break;
        }
        if (rc != ERROR_SUCCESS) {
            closeCurrent();
            return Fail(file + ", line " + std::to_string(op.line) + ": " + RegErrorText(rc) +
                        " Nothing was imported.");
        }
    }
    closeCurrent();
    if (const LONG rc = batch.Commit(); rc != ERROR_SUCCESS)
        return Fail(RegErrorText(rc) + " Nothing was imported.");
    m_out << kDone << "\n";
    return 0;
}

// --- check ---------------------------------------------------------------------------------

namespace {

// The registry's tables in plain words.
std::string PlainTable(const std::string& table)
{
    if (table == "keys")
        return "keys (table keys)";
    if (table == "vals")
        return "values (table vals)";
    if (table == "sqlite_sequence")
        return "key numbers (table sqlite_sequence)";
    return table;
}

} // namespace

int RegTool::Check(const std::vector<std::string>& args)
{
    if (args.size() != 1)
        return Syntax("check takes no arguments.");
    fs::path file;
    try {
        file = platform::RootDirectory() / "registry.db";
    } catch (const std::exception& e) {
        return Fail(std::string("The platform root cannot be used: ") + e.what());
    }
    std::error_code ec;
    if (!fs::exists(file, ec)) {
        m_out << "There is no registry database yet (" << file.string() << ").\n";
        return 0;
    }
    const auto check = platform::registry::DatabaseCheck::Run(file);
    if (!check.database) {
        m_out << file.string() << " is not a registry database (" << check.Lines().front()
              << "); it is left as it is.\n";
        return Fail(ERROR_BADDB);
    }
    if (check.Damaged()) {
        platform::DamageMark::Mark(file, check.Lines().front(), check.damagedTables);
        m_out << "The registry database " << file.string() << " is damaged:\n";
        for (const auto& problem : check.problems)
            m_out << "  " << (problem.table.empty() ? "" : PlainTable(problem.table) + ": ") << problem.text << "\n";
        m_out << "It is no longer written; replace it with a good copy.\n";
        return Fail(ERROR_REGISTRY_CORRUPT);
    }
    if (!check.unfinished.empty())
        return Fail("The check of " + file.string() + " could not finish (" + check.unfinished +
                    "); try again.");
    if (platform::DamageMark::IsMarked(file)) {
        m_out << "SQLite's check finds " << file.string() << " intact, but it was found damaged before ("
              << platform::DamageMark::Reason(file) << ") and is not written. Replace it with a good copy, or "
              << "remove " << platform::DamageMark::PathOf(file).string() << " if you are sure it is sound.\n";
        return Fail(ERROR_REGISTRY_CORRUPT);
    }
    m_out << "The registry database " << file.string() << " is intact.\n";
    return 0;
}
