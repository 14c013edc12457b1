#include "MapiAdmin.h"

#include "PropertyText.h"
#include "base/DamageMark.h"
#include "base/PlatformRoot.h"
#include "base/Utf.h"
#include "com/Stream.h"
#include "mapi/Mapi.h"
#include "mapi/ProfileRegistry.h"
#include "mapi/StoreAccess.h"
#include "registry/DatabaseCheck.h"

#include <cerrno>
#include <cstring>
#include <climits>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>

namespace {

const char* kUsage =
    "usage: mapiadmin <command> ...\n"
    "  profile create <name> [--default]     profile delete <name>\n"
    "  profile list                          profile default <name>\n"
    "  store create <file> [--kind personal|mailbox|delegate|public] [--name <display name>] [--profile <name>]\n"
    "  store attach <profile> <file> [--read-only] [--read-only-folder <path>]...\n"
    "  store access <profile> <file> [--read-only] [--read-only-folder <path>]...\n"
    "  store detach <profile> <file>         store list <profile>\n"
    "  store dump <file> [--json]\n"
    "  store check <file>\n"
    "  folder create <file> <path>           folder delete <file> <path>\n"
    "  folder list <file> [<path>] [--json]\n"
    "  message create <file> <folder path> [options]   message change <file> <entry id> [options]\n"
    "  message list <file> <folder path> [--associated] [--json]\n"
    "  message show <file> <entry id> [--json]          message delete <file> <entry id>\n"
    "message options: --subject <text> --body <text> --class <message class> --prop <tag>=<value>\n"
    "  --named <set>/<name or #id>/<type>=<value> --attach <file>[=<name>] --to <name>[:<address>]\n"
    "  --associated (create only) --json <file or ->\n"
    "folder paths are below the store's top folder, separated by '/'.\n";

struct AdminError {
    int code;
    std::string message;
};

std::string ReadFile(const std::string& path)
{
    if (path == "-")
        return std::string(std::istreambuf_iterator<char>(std::cin), {});
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        throw AdminError{2, "cannot read \"" + path + "\""};
    // Sized once for a file: growing the text as it is read would hold it about twice over.
    std::string data;
    if (const auto size = in.tellg(); size > 0) {
        data.resize(static_cast<std::size_t>(size));
        in.seekg(0);
        in.read(data.data(), size);
        data.resize(static_cast<std::size_t>(in.gcount()));
        if (in.gcount() == size && in.peek() == std::char_traits<char>::eof())
            return data;
        in.clear();
    }
    in.seekg(static_cast<std::streamoff>(data.size()));
    data.append(std::istreambuf_iterator<char>(in), {});
    return data;
}

// A folder path below the store's top folder: names separated by '/', with one '/' in front
// allowed (as "folder list" prints paths). Empty names and "." or ".." name no folder.
std::vector<std::string> SplitPath(const std::string& path)
{
    std::vector<std::string> parts;
    std::string_view rest = path;
    if (!rest.empty() && rest.front() == '/')
        rest.remove_prefix(1);
    if (rest.empty())
        return parts;
    for (;;) {
        const auto slash = rest.find('/');
        const std::string part(rest.substr(0, slash));
        if (part.empty())
            throw AdminError{2, "folder path \"" + path + "\" has an empty folder name"};
        if (part == "." || part == "..")
            throw AdminError{2, "folder path \"" + path + "\": \"" + part + "\" is not a folder name"};
        parts.push_back(part);
        if (slash == std::string_view::npos)
            return parts;
        rest.remove_prefix(slash + 1);
    }
}

// A text of the message JSON: a string without NUL characters (which would cut it short).
std::string JsonText(const nlohmann::json& value, const std::string& what)
{
    if (!value.is_string())
        throw AdminError{2, what + " must be text"};
    std::string text = value.get<std::string>();
    if (text.find('\0') != std::string::npos)
        throw AdminError{2, what + " holds a NUL character"};
    return text;
}

// Texts from this size on go to the message in pieces of about this size.
constexpr std::size_t kTextPiece = 1 << 20;

// Where a piece of a JSON string's text (as written, escapes and all) may end: not inside an
// escape or a UTF-8 character, nor between the two escapes of a surrogate pair. At or before
// limit when there is such a place.
std::size_t PieceEnd(std::string_view raw, std::size_t at, std::size_t limit)
{
    if (limit >= raw.size())
        return raw.size();
    std::size_t p = at, lastSafe = at;
    while (p < limit) {
        std::size_t next = p + 1;
        bool firstHalf = false;
        if (raw[p] == '\\') {
            const bool unicode = p + 1 < raw.size() && raw[p + 1] == 'u';
            next = p + (unicode ? 6 : 2);
            if (unicode && next <= raw.size()) {
                const char* hex = raw.data() + p + 2;
                firstHalf = (hex[0] == 'd' || hex[0] == 'D') && std::strchr("89abAB", hex[1]) != nullptr;
            }
        }
        if (next > limit)
            break;
        p = next;
        if (!firstHalf && (p >= raw.size() || (static_cast<unsigned char>(raw[p]) & 0xC0) != 0x80))
            lastSafe = p;
    }
    return lastSafe > at ? lastSafe : std::min(raw.size(), std::max(p, at + 1));
}

// A JSON number that must be a whole number from min to max.
std::int64_t JsonInteger(const nlohmann::json& value, std::int64_t min, std::int64_t max, const std::string& what)
{
    if (!value.is_number_integer() ||
        (value.is_number_unsigned() ? value.get<std::uint64_t>() > static_cast<std::uint64_t>(max)
                                    : value.get<std::int64_t>() < min || value.get<std::int64_t>() > max))
        throw AdminError{2, what + " must be a whole number from " + std::to_string(min) + " to " + std::to_string(max)};
    return value.get<std::int64_t>();
}

mapi::PropValue FromSProp(const SPropValue& v)
{
    mapi::PropValue p;
    if (FAILED(mapi::PropValue::FromSPropValue(v, p)))
        return mapi::PropValue::Error(PROP_ID(v.ulPropTag), MAPI_E_INVALID_TYPE);
    return p;
}

} // namespace

void MapiAdmin::Usage(const std::string& message) { throw AdminError{2, message}; }

std::string MapiAdmin::ErrorName(HRESULT hr)
{
    static const std::map<HRESULT, const char*> names = {
        {MAPI_E_NOT_FOUND, "MAPI_E_NOT_FOUND"},
        {MAPI_E_CORRUPT_STORE, "MAPI_E_CORRUPT_STORE"},
        {MAPI_E_COLLISION, "MAPI_E_COLLISION"},
        {MAPI_E_NO_ACCESS, "MAPI_E_NO_ACCESS"},
        {MAPI_E_INVALID_ENTRYID, "MAPI_E_INVALID_ENTRYID"},
        {MAPI_E_INVALID_PARAMETER, "MAPI_E_INVALID_PARAMETER"},
        {MAPI_E_HAS_FOLDERS, "MAPI_E_HAS_FOLDERS"},
        {MAPI_E_HAS_MESSAGES, "MAPI_E_HAS_MESSAGES"},
        {MAPI_E_BUSY, "MAPI_E_BUSY"},
        {MAPI_E_VERSION, "MAPI_E_VERSION"},
        {MAPI_E_LOGON_FAILED, "MAPI_E_LOGON_FAILED"},
        {MAPI_E_CALL_FAILED, "MAPI_E_CALL_FAILED"},
        {MAPI_E_DISK_ERROR, "MAPI_E_DISK_ERROR"},
        {MAPI_E_NOT_ENOUGH_DISK, "MAPI_E_NOT_ENOUGH_DISK"},
        {MAPI_E_COMPUTED, "MAPI_E_COMPUTED"},
        {MAPI_E_NO_SUPPORT, "MAPI_E_NO_SUPPORT"},
    };
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
    // Profiles live in the registry: its damage reads as it does everywhere.
    if (hr == HRESULT_FROM_WIN32(ERROR_REGISTRY_CORRUPT) || hr == HRESULT_FROM_WIN32(ERROR_BADDB))
        return std::string("The configuration registry database is corrupt. (") + code + ")";
    auto it = names.find(hr);
    return it != names.end() ? std::string(it->second) + " (" + code + ")" : std::string(code);
}

void MapiAdmin::Check(HRESULT hr, const std::string& what)
{
    if (FAILED(hr))
        throw AdminError{1, what + ": " + ErrorName(hr)};
}

int MapiAdmin::Run(const std::vector<std::string>& args)
{
    try {
        if (args.empty() || args[0] == "--help" || args[0] == "help") {
            (args.empty() ? m_err : m_out) << kUsage;
            return args.empty() ? 2 : 0;
        }
        Check(MAPIInitialize(nullptr), "MAPIInitialize");
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        if (args[0] == "profile")
            Profile(rest);
        else if (args[0] == "store")
            Store(rest);
        else if (args[0] == "folder")
            Folder(rest);
        else if (args[0] == "message")
            Message(rest);
        else
            Usage("unknown command \"" + args[0] + "\"");
        MAPIUninitialize();
        return 0;
    } catch (const AdminError& e) {
        m_err << "mapiadmin: " << e.message << "\n";
        if (e.code == 2)
            m_err << "run \"mapiadmin help\" for the commands\n";
        MAPIUninitialize();
        return e.code;
    } catch (const std::exception& e) {
        m_err << "mapiadmin: " << e.what() << "\n";
        MAPIUninitialize();
        return 1;
    }
}

// ---- profiles ----

void MapiAdmin::Profile(const std::vector<std::string>& args)
{
    if (args.empty())
        Usage("profile: missing subcommand");
    const std::string& sub = args[0];
    if (sub == "list" && args.size() == 1) {
        std::vector<std::string> names;
        std::string def;
        Check(mapi::ProfileRegistry::List(names, def), "listing profiles");
        for (const auto& n : names)
            m_out << n << (platform::EqualNoCase(n, def) ? " (default)" : "") << "\n";
        return;
    }
    if (args.size() < 2)
        Usage("profile " + sub + ": missing profile name");
    const std::string& name = args[1];
    ComPtr<IProfAdmin> admin;
    Check(MAPIAdminProfiles(0, admin.put()), "MAPIAdminProfiles");
    if (sub == "create" && (args.size() == 2 || (args.size() == 3 && args[2] == "--default"))) {
        std::vector<std::string> names;
        std::string def;
        Check(mapi::ProfileRegistry::List(names, def), "listing profiles");
        HRESULT hr = admin->CreateProfile(const_cast<char*>(name.c_str()), nullptr, 0, 0);
        if (hr == MAPI_E_NO_ACCESS)
            throw AdminError{1, "profile \"" + name + "\" exists already"};
        Check(hr, "creating profile \"" + name + "\"");
        // The first profile, or one asked to be, becomes the default.
        if (args.size() == 3 || def.empty())
            Check(admin->SetDefaultProfile(const_cast<char*>(name.c_str()), 0), "setting the default profile");
    } else if (sub == "delete" && args.size() == 2) {
        HRESULT hr = admin->DeleteProfile(const_cast<char*>(name.c_str()), 0);
        if (hr == MAPI_E_NOT_FOUND)
            throw AdminError{1, "no profile \"" + name + "\""};
        Check(hr, "deleting profile \"" + name + "\"");
    } else if (sub == "default" && args.size() == 2) {
        HRESULT hr = admin->SetDefaultProfile(const_cast<char*>(name.c_str()), 0);
        if (hr == MAPI_E_NOT_FOUND)
            throw AdminError{1, "no profile \"" + name + "\""};
        Check(hr, "setting the default profile");
    } else {
        Usage("profile: bad arguments");
    }
}

// ---- stores ----

ComPtr<IMsgStore> MapiAdmin::OpenStore(const std::string& path, bool write)
{
    if (write && platform::DamageMark::IsMarked(path))
        throw AdminError{1, "\"" + path + "\" was found damaged (" + platform::DamageMark::Reason(path) +
                                ") and is no longer written; replace it with a good copy: " +
                                ErrorName(MAPI_E_CORRUPT_STORE)};
    ComPtr<IMsgStore> store;
    HRESULT hr = mapi::OpenStoreFile(path, write ? MDB_WRITE : 0, store.put());
    if (hr == MAPI_E_NOT_FOUND)
        throw AdminError{1, "no store file \"" + path + "\""};
    if (hr == MAPI_E_CORRUPT_STORE)
        throw AdminError{1, "\"" + path + "\" is not a message store (or it is damaged): " + ErrorName(hr)};
    Check(hr, "opening \"" + path + "\"");
    return store;
}

void MapiAdmin::Store(const std::vector<std::string>& args)
{
    if (args.size() < 2)
        Usage("store: missing arguments");
    const std::string& sub = args[0];
    if (sub == "create") {
        const std::string path = args[1];
        mapi::StoreKind kind = mapi::StoreKind::Personal;
        std::string name = std::filesystem::path(path).stem().string(), profile;
        for (std::size_t i = 2; i < args.size(); ++i) {
            if (i + 1 >= args.size())
                Usage("store create: " + args[i] + " needs a value");
            const std::string& v = args[++i];
            if (args[i - 1] == "--kind") {
                if (v == "personal")
                    kind = mapi::StoreKind::Personal;
                else if (v == "mailbox")
                    kind = mapi::StoreKind::PrivateMailbox;
                else if (v == "delegate")
                    kind = mapi::StoreKind::DelegateMailbox;
                else if (v == "public")
                    kind = mapi::StoreKind::PublicFolders;
                else
                    Usage("store create: unknown kind \"" + v + "\"");
            } else if (args[i - 1] == "--name") {
                name = v;
            } else if (args[i - 1] == "--profile") {
                profile = v;
            } else {
                Usage("store create: unknown option " + args[i - 1]);
            }
        }
        if (!profile.empty() && !mapi::ProfileRegistry::Exists(profile))
            throw AdminError{1, "no profile \"" + profile + "\""};
        std::error_code ec;
        const auto folder = std::filesystem::absolute(path, ec).parent_path();
        if (!std::filesystem::is_directory(folder, ec))
            Usage("store create: the folder \"" + folder.string() + "\" does not exist");
        HRESULT hr = mapi::CreateStoreFile(path, kind, platform::Utf8ToUtf16(name));
        if (hr == MAPI_E_COLLISION)
            throw AdminError{1, "\"" + path + "\" exists already"};
        Check(hr, "creating \"" + path + "\"");
        if (!profile.empty())
            Check(mapi::ProfileRegistry::AddStore(profile, path), "adding the store to \"" + profile + "\"");
        mapi::Bytes eid;
        Check(mapi::StoreEntryIdOfFile(path, eid), "reading \"" + path + "\"");
        m_out << PropertyText::Hex(eid) << "\n";
    } else if ((sub == "attach" || sub == "access") && args.size() >= 3) {
        if (!mapi::ProfileRegistry::Exists(args[1]))
            throw AdminError{1, "no profile \"" + args[1] + "\""};
        // What the profile may not change: checked (the folders found) before anything is written.
        bool readOnly = false;
        std::vector<std::string> folderPaths;
        for (std::size_t i = 3; i < args.size(); ++i) {
            if (args[i] == "--read-only")
                readOnly = true;
            else if (args[i] == "--read-only-folder" && i + 1 < args.size())
                folderPaths.push_back(args[++i]);
            else
                Usage("store " + sub + ": unknown option " + args[i]);
        }
        std::vector<mapi::Bytes> folders;
        if (!folderPaths.empty()) {
            auto store = OpenStore(args[2], false);
            for (const std::string& path : folderPaths) {
                auto folder = OpenFolderPath(store.get(), path, false);
                LPSPropValue eid = nullptr;
                Check(HrGetOneProp(folder.get(), PR_ENTRYID, &eid), "reading the folder \"" + path + "\"");
                folders.emplace_back(reinterpret_cast<const char*>(eid->Value.bin.lpb), eid->Value.bin.cb);
                MAPIFreeBuffer(eid);
            }
        }
        HRESULT hr = S_OK;
        if (sub == "attach") {
            hr = mapi::ProfileRegistry::AddStore(args[1], args[2]);
            if (hr == MAPI_E_COLLISION)
                throw AdminError{1, "the store is in \"" + args[1] + "\" already"};
            if (hr == MAPI_E_NOT_FOUND)
                throw AdminError{1, "no store file \"" + args[2] + "\""};
            if (hr == MAPI_E_CORRUPT_STORE)
                throw AdminError{1, "\"" + args[2] + "\" is not a message store (or it is damaged): " + ErrorName(hr)};
            Check(hr, "attach \"" + args[2] + "\"");
        }
        if (sub == "access" || readOnly || !folders.empty()) {
            hr = mapi::ProfileRegistry::SetStoreAccess(args[1], args[2], readOnly, folders);
            if (FAILED(hr) && sub == "attach")
                mapi::ProfileRegistry::RemoveStore(args[1], args[2]); // attached with all or nothing
            if (hr == MAPI_E_NOT_FOUND)
                throw AdminError{1, "\"" + args[2] + "\" is not a store of \"" + args[1] + "\""};
            Check(hr, "setting the access to \"" + args[2] + "\"");
        }
    } else if (sub == "detach" && args.size() == 3) {
        if (!mapi::ProfileRegistry::Exists(args[1]))
            throw AdminError{1, "no profile \"" + args[1] + "\""};
        HRESULT hr = mapi::ProfileRegistry::RemoveStore(args[1], args[2]);
        if (hr == MAPI_E_NOT_FOUND)
            throw AdminError{1, "\"" + args[2] + "\" is not a store of \"" + args[1] + "\""};
        Check(hr, sub + " \"" + args[2] + "\"");
    } else if (sub == "list" && args.size() == 2) {
        std::vector<mapi::ProfileStore> stores;
        HRESULT hr = mapi::ProfileRegistry::Stores(args[1], stores);
        if (hr == MAPI_E_NOT_FOUND)
            throw AdminError{1, "no profile \"" + args[1] + "\""};
        Check(hr, "listing stores");
        for (const auto& s : stores) {
            m_out << platform::Utf16ToUtf8(s.displayName) << "\t" << s.path.string() << "\t"
                  << PropertyText::Hex(s.entryId) << (s.isDefault ? "\t(default)" : "");
            if (s.readOnly)
                m_out << "\t(read-only)";
            else if (!s.readOnlyFolders.empty())
                m_out << "\t(read-only folders: " << s.readOnlyFolders.size() << ")";
            m_out << "\n";
        }
    } else if (sub == "check" && args.size() == 2) {
        CheckStore(args[1]);
    } else if (sub == "dump" && (args.size() == 2 || (args.size() == 3 && args[2] == "--json"))) {
        auto store = OpenStore(args[1], false);
        nlohmann::json dump;
        LPSPropValue props = nullptr;
        ULONG count = 0;
        Check(store->GetProps(nullptr, MAPI_UNICODE, &count, &props), "reading the store");
        nlohmann::json sp = nlohmann::json::object();
        for (ULONG i = 0; i < count; ++i)
            sp[PropertyText::TagName(props[i].ulPropTag)] = PropertyText::ToJson(FromSProp(props[i]));
        MAPIFreeBuffer(props);
        dump["store"] = sp;
        ComPtr<IUnknown> unk;
        ULONG type = 0;
        Check(store->OpenEntry(0, nullptr, nullptr, 0, &type, unk.put()), "opening the root folder");
        ComPtr<IMAPIFolder> root;
        root.Attach(static_cast<IMAPIFolder*>(unk.Detach()));
        dump["root"] = DumpFolder(store.get(), root.get(), true);
        if (args.size() == 3) {
            m_out << dump.dump(2) << "\n";
            return;
        }
        m_out << "store:\n";
        for (auto& [k, v] : dump["store"].items())
            m_out << "  " << k << " = " << (v.is_string() ? v.get<std::string>() : v.dump()) << "\n";
        std::function<void(const nlohmann::json&, int)> print = [&](const nlohmann::json& f, int depth) {
            m_out << std::string(depth * 2, ' ') << "[" << f["name"].get<std::string>() << "]"
                  << (f.contains("class") ? " " + f["class"].get<std::string>() : "") << "  "
                  << f["messages"].size() << " message(s)\n";
            for (const auto& m : f["messages"])
                m_out << std::string(depth * 2 + 2, ' ') << "- " << m["subject"].get<std::string>() << "  ("
                      << m["class"].get<std::string>() << ", modified " << m["modified"].get<std::string>()
                      << (m["associated"].get<bool>() ? ", associated" : "") << ")\n";
            for (const auto& sub : f["folders"])
                print(sub, depth + 1);
        };
        print(dump["root"], 0);
    } else {
        Usage("store: bad arguments");
    }
}

namespace {

// The store's tables in plain words.
std::string PlainTable(const std::string& table)
{
    static const std::map<std::string, std::string> names = {
        {"meta", "store information (table meta)"},
        {"objects", "folders, messages and their parts (table objects)"},
        {"props", "properties (table props)"},
        {"bigvalues", "large property values (table bigvalues)"},
        {"names", "named properties (table names)"},
        {"changes", "change journal (table changes)"},
        {"sqlite_sequence", "object numbers (table sqlite_sequence)"},
    };
    const auto it = names.find(table);
    return it != names.end() ? it->second : table;
}

} // namespace

void MapiAdmin::CheckStore(const std::string& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw AdminError{1, "no store file \"" + path + "\""};
    const auto check = platform::registry::DatabaseCheck::Run(path);
    if (!check.database)
        throw AdminError{1, "\"" + path + "\" is not a message store (" + check.Lines().front() + ")"};
    if (check.Damaged()) {
        platform::DamageMark::Mark(path, check.Lines().front(), check.damagedTables);
        m_out << path << " is damaged:\n";
        for (const auto& problem : check.problems)
            m_out << "  " << (problem.table.empty() ? "" : PlainTable(problem.table) + ": ") << problem.text
                  << "\n";
        m_out << "It is no longer written; replace it with a good copy.\n";
        throw AdminError{1, "\"" + path + "\" is damaged: " + ErrorName(MAPI_E_CORRUPT_STORE)};
    }
    if (!check.unfinished.empty())
        throw AdminError{1, "the check of \"" + path + "\" could not finish (" + check.unfinished + "); try again"};
    if (platform::DamageMark::IsMarked(path)) {
        m_out << "SQLite's check finds " << path << " intact, but it was found damaged before ("
              << platform::DamageMark::Reason(path) << ") and is not written. Replace it with a good copy, or remove "
              << platform::DamageMark::PathOf(path).string() << " if you are sure it is sound.\n";
        throw AdminError{1, "\"" + path + "\" is marked damaged: " + ErrorName(MAPI_E_CORRUPT_STORE)};
    }
    ComPtr<IMsgStore> store;
    const HRESULT hr = mapi::OpenStoreFile(path, 0, store.put());
    if (hr == MAPI_E_CORRUPT_STORE)
        throw AdminError{1, "\"" + path + "\" is a sound database but not a message store: " + ErrorName(hr)};
    Check(hr, "opening \"" + path + "\"");
    m_out << path << " is intact.\n";
}

nlohmann::json MapiAdmin::DumpFolder(IMsgStore* store, IMAPIFolder* folder, bool withMessages)
{
    nlohmann::json f;
    LPSPropValue v = nullptr;
    f["name"] = SUCCEEDED(HrGetOneProp(folder, PR_DISPLAY_NAME_A, &v)) ? std::string(v->Value.lpszA) : std::string();
    MAPIFreeBuffer(v);
    if (SUCCEEDED(HrGetOneProp(folder, PR_CONTAINER_CLASS_A, &v)))
        f["class"] = v->Value.lpszA;
    MAPIFreeBuffer(v);
    v = nullptr;
    if (SUCCEEDED(HrGetOneProp(folder, PR_ENTRYID, &v)))
        f["entryid"] = PropertyText::Hex(mapi::Bytes(reinterpret_cast<char*>(v->Value.bin.lpb), v->Value.bin.cb));
    MAPIFreeBuffer(v);
    f["messages"] = nlohmann::json::array();
    if (withMessages) {
        for (ULONG assoc : {0u, static_cast<ULONG>(MAPI_ASSOCIATED)}) {
            ComPtr<IMAPITable> table;
            Check(folder->GetContentsTable(assoc, table.put()), "reading a contents table");
            SizedSPropTagArray(4, cols) = {4, {PR_ENTRYID, PR_SUBJECT_A, PR_MESSAGE_CLASS_A, PR_LAST_MODIFICATION_TIME}};
            LPSRowSet rows = nullptr;
            Check(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr, 0, &rows),
                  "reading messages");
            for (ULONG i = 0; i < rows->cRows; ++i) {
                const SPropValue* p = rows->aRow[i].lpProps;
                nlohmann::json m;
                m["entryid"] = PropertyText::Hex(mapi::Bytes(reinterpret_cast<char*>(p[0].Value.bin.lpb), p[0].Value.bin.cb));
                m["subject"] = PROP_TYPE(p[1].ulPropTag) == PT_STRING8 ? p[1].Value.lpszA : "";
                m["class"] = PROP_TYPE(p[2].ulPropTag) == PT_STRING8 ? p[2].Value.lpszA : "";
                m["modified"] = PROP_TYPE(p[3].ulPropTag) == PT_SYSTIME ? PropertyText::ToText(FromSProp(p[3])) : "";
                m["associated"] = assoc != 0;
                f["messages"].push_back(m);
            }
            FreeProws(rows);
        }
    }
    f["folders"] = nlohmann::json::array();
    ComPtr<IMAPITable> table;
    Check(folder->GetHierarchyTable(0, table.put()), "reading a hierarchy table");
    SizedSPropTagArray(1, cols) = {1, {PR_ENTRYID}};
    LPSRowSet rows = nullptr;
    Check(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr, 0, &rows),
          "reading folders");
    for (ULONG i = 0; i < rows->cRows; ++i) {
        const SBinary& e = rows->aRow[i].lpProps[0].Value.bin;
        ComPtr<IUnknown> unk;
        ULONG type = 0;
        Check(store->OpenEntry(e.cb, reinterpret_cast<LPENTRYID>(e.lpb), nullptr, 0, &type, unk.put()),
              "opening a folder");
        f["folders"].push_back(DumpFolder(store, static_cast<IMAPIFolder*>(unk.get()), withMessages));
    }
    FreeProws(rows);
    return f;
}

// ---- folders ----

ComPtr<IMAPIFolder> MapiAdmin::OpenFolderPath(IMsgStore* store, const std::string& path, bool write)
{
    LPSPropValue sub = nullptr;
    Check(HrGetOneProp(store, PR_IPM_SUBTREE_ENTRYID, &sub), "reading the store's top folder");
    ComPtr<IUnknown> unk;
    ULONG type = 0;
    HRESULT hr = store->OpenEntry(sub->Value.bin.cb, reinterpret_cast<LPENTRYID>(sub->Value.bin.lpb), nullptr,
                                  write ? MAPI_MODIFY : 0, &type, unk.put());
    MAPIFreeBuffer(sub);
    Check(hr, "opening the store's top folder");
    ComPtr<IMAPIFolder> folder;
    folder.Attach(static_cast<IMAPIFolder*>(unk.Detach()));
    std::string walked;
    for (const auto& part : SplitPath(path)) {
        walked += "/" + part;
        ComPtr<IMAPITable> table;
        Check(folder->GetHierarchyTable(0, table.put()), "reading folders");
        SizedSPropTagArray(2, cols) = {2, {PR_ENTRYID, PR_DISPLAY_NAME_A}};
        LPSRowSet rows = nullptr;
        Check(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr, 0, &rows),
              "reading folders");
        ComPtr<IMAPIFolder> next;
        for (ULONG i = 0; i < rows->cRows && !next; ++i) {
            const SPropValue* p = rows->aRow[i].lpProps;
            if (PROP_TYPE(p[1].ulPropTag) == PT_STRING8 && platform::EqualNoCase(p[1].Value.lpszA, part)) {
                hr = store->OpenEntry(p[0].Value.bin.cb, reinterpret_cast<LPENTRYID>(p[0].Value.bin.lpb), nullptr,
                                      write ? MAPI_MODIFY : 0, &type, unk.put());
                if (SUCCEEDED(hr))
                    next.Attach(static_cast<IMAPIFolder*>(unk.Detach()));
            }
        }
        FreeProws(rows);
        if (!next)
            throw AdminError{1, "no folder \"" + walked + "\""};
        folder = next;
    }
    return folder;
}

void MapiAdmin::Folder(const std::vector<std::string>& args)
{
    if (args.size() < 2)
        Usage("folder: missing arguments");
    const std::string& sub = args[0];
    if (sub == "create" && args.size() == 3) {
        auto store = OpenStore(args[1], true);
        auto parts = SplitPath(args[2]);
        if (parts.empty())
            Usage("folder create: empty folder path");
        std::string parentPath;
        for (std::size_t i = 0; i + 1 < parts.size(); ++i)
            parentPath += "/" + parts[i];
        auto parent = OpenFolderPath(store.get(), parentPath, true);
        ComPtr<IMAPIFolder> created;
        HRESULT hr = parent->CreateFolder(FOLDER_GENERIC, const_cast<char*>(parts.back().c_str()), nullptr, nullptr, 0,
                                          created.put());
        if (hr == MAPI_E_COLLISION)
            throw AdminError{1, "folder \"" + args[2] + "\" exists already"};
        Check(hr, "creating folder \"" + args[2] + "\"");
        LPSPropValue eid = nullptr;
        Check(HrGetOneProp(created.get(), PR_ENTRYID, &eid), "reading the new folder");
        m_out << PropertyText::Hex(mapi::Bytes(reinterpret_cast<char*>(eid->Value.bin.lpb), eid->Value.bin.cb)) << "\n";
        MAPIFreeBuffer(eid);
    } else if (sub == "delete" && args.size() == 3) {
        auto store = OpenStore(args[1], true);
        auto parts = SplitPath(args[2]);
        if (parts.empty())
            Usage("folder delete: the top folder cannot be deleted");
        auto folder = OpenFolderPath(store.get(), args[2], true);
        std::string parentPath;
        for (std::size_t i = 0; i + 1 < parts.size(); ++i)
            parentPath += "/" + parts[i];
        auto parent = OpenFolderPath(store.get(), parentPath, true);
        LPSPropValue eid = nullptr;
        Check(HrGetOneProp(folder.get(), PR_ENTRYID, &eid), "reading the folder");
        HRESULT hr = parent->DeleteFolder(eid->Value.bin.cb, reinterpret_cast<LPENTRYID>(eid->Value.bin.lpb), 0,
                                          nullptr, DEL_FOLDERS | DEL_MESSAGES);
        MAPIFreeBuffer(eid);
        Check(hr, "deleting folder \"" + args[2] + "\"");
    } else if (sub == "list" && args.size() >= 2 && args.size() <= 4) {
        bool json = false;
        std::string path;
        for (std::size_t i = 2; i < args.size(); ++i) {
            if (args[i] == "--json")
                json = true;
            else
                path = args[i];
        }
        auto store = OpenStore(args[1], false);
        auto folder = OpenFolderPath(store.get(), path, false);
        nlohmann::json tree = DumpFolder(store.get(), folder.get(), false);
        if (json) {
            m_out << tree.dump(2) << "\n";
            return;
        }
        std::function<void(const nlohmann::json&, const std::string&)> print = [&](const nlohmann::json& f,
                                                                                   const std::string& prefix) {
            for (const auto& sub : f["folders"]) {
                const std::string p = prefix + "/" + sub["name"].get<std::string>();
                m_out << p << (sub.contains("class") ? "\t" + sub["class"].get<std::string>() : "") << "\n";
                print(sub, p);
            }
        };
        print(tree, "");
    } else {
        Usage("folder: bad arguments");
    }
}

// ---- messages ----

ComPtr<IMessage> MapiAdmin::OpenMessage(IMsgStore* store, const std::string& entryIdHex, bool write)
{
    mapi::Bytes eid;
    if (!PropertyText::FromHex(entryIdHex, eid) || eid.empty())
        Usage("\"" + entryIdHex + "\" is not an entry ID (hexadecimal text)");
    ComPtr<IUnknown> unk;
    ULONG type = 0;
    HRESULT hr = store->OpenEntry(static_cast<ULONG>(eid.size()), reinterpret_cast<LPENTRYID>(eid.data()), nullptr,
                                  write ? MAPI_MODIFY : 0, &type, unk.put());
    if (hr == MAPI_E_NOT_FOUND)
        throw AdminError{1, "no message with entry ID " + entryIdHex};
    if (hr == MAPI_E_INVALID_ENTRYID)
        throw AdminError{1, "entry ID " + entryIdHex + " is not one of this store"};
    Check(hr, "opening the message");
    if (type != MAPI_MESSAGE)
        throw AdminError{1, "entry ID " + entryIdHex + " is not a message"};
    ComPtr<IMessage> msg;
    msg.Attach(static_cast<IMessage*>(unk.Detach()));
    return msg;
}

std::deque<std::string>* MapiAdmin::LongStrings::Of(const nlohmann::json& value)
{
    if (!value.is_string())
        return nullptr;
    const std::string& text = value.get_ref<const std::string&>();
    if (mark.empty() || text.rfind(mark, 0) != 0)
        return nullptr;
    const std::size_t index = std::strtoul(text.c_str() + mark.size(), nullptr, 10);
    return index < texts.size() && text == mark + std::to_string(index) ? &texts[index] : nullptr;
}

void MapiAdmin::LongStrings::Restore(nlohmann::json& value, bool top)
{
    if (auto* pieces = Of(value)) {
        std::string whole;
        for (const std::string& piece : *pieces)
            whole += piece;
        value = std::move(whole);
        pieces->clear();
        return;
    }
    if (value.is_object()) {
        for (auto& [key, item] : value.items())
            if (!top || (key != "subject" && key != "body" && key != "class"))
                Restore(item, false);
    } else if (value.is_array()) {
        for (auto& item : value)
            Restore(item, false);
    }
}

// Reads a message JSON. The JSON reader would hold a long string three times over while it
// reads it (as read, as decoded and as the value): strings of kTextPiece bytes or more are
// therefore decoded here a piece at a time, and the JSON read keeps a placeholder for each.
nlohmann::json MapiAdmin::ReadMessageJson(std::istream& in, LongStrings& longs)
{
    longs.mark = std::string(1, '\0') + "long " + std::to_string(std::random_device{}()) + " ";
    std::string json, raw;
    bool inString = false, escaped = false;
    for (std::istreambuf_iterator<char> it(in), end; it != end; ++it) {
        const char c = *it;
        if (!inString) {
            json += c;
            inString = c == '"';
            continue;
        }
        if (escaped || c != '"') {
            raw += c;
            escaped = !escaped && c == '\\';
            continue;
        }
        inString = false;
        if (raw.size() < kTextPiece) {
            json += raw;
            json += '"';
        } else {
            std::deque<std::string> pieces;
            for (std::size_t at = 0; at < raw.size();) {
                const std::size_t stop = PieceEnd(raw, at, at + kTextPiece);
                pieces.push_back(nlohmann::json::parse("\"" + raw.substr(at, stop - at) + "\"").get<std::string>());
                at = stop;
            }
            longs.texts.push_back(std::move(pieces));
            json.pop_back(); // the opening quote: the placeholder comes as a JSON string
            json += nlohmann::json(longs.mark + std::to_string(longs.texts.size() - 1)).dump();
        }
        raw = std::string();
    }
    if (inString)
        json += raw; // unterminated: the reader says so
    nlohmann::json j = nlohmann::json::parse(json);
    longs.Restore(j, true);
    return j;
}

void MapiAdmin::ParseMessageJson(const nlohmann::json& j, LongStrings& longs, MessageSpec& draft)
{
    if (!j.is_object())
        Usage("the message JSON must be an object");
    std::string error;
    auto text = [&](const char* key, ULONG tag) {
        if (!j.contains(key))
            return;
        const std::string what = std::string("\"") + key + "\"";
        if (auto* pieces = longs.Of(j[key])) {
            for (const std::string& piece : *pieces)
                if (piece.find('\0') != std::string::npos)
                    throw AdminError{2, what + " holds a NUL character"};
            draft.longTexts.push_back({tag, std::move(*pieces)});
            return;
        }
        draft.texts.emplace_back(CHANGE_PROP_TYPE(tag, PT_STRING8), JsonText(j[key], what));
    };
    text("subject", PR_SUBJECT_W);
    text("body", PR_BODY_W);
    text("class", PR_MESSAGE_CLASS_W);
    for (const auto& [key, value] : j.items()) {
        if (key == "subject" || key == "body" || key == "class")
            continue;
        if (key == "associated") {
            if (!value.is_boolean())
                Usage("\"associated\" must be true or false");
            draft.associated = value.get<bool>();
        } else if (key == "props") {
            if (!value.is_object())
                Usage("\"props\" must be an object of tag names and values");
            for (const auto& [tagText, v] : value.items()) {
                ULONG tag = 0;
                mapi::PropValue pv;
                if (!PropertyText::ParseTag(tagText, tag, error) || !PropertyText::ParseJson(tag, v, pv, error))
                    Usage(error);
                draft.props.push_back(pv);
            }
        } else if (key == "named") {
            if (!value.is_array())
                Usage("\"named\" must be a list");
            for (const auto& n : value) {
                MessageSpec::Named named{};
                if (!n.is_object() || !n.contains("set") || !n["set"].is_string() ||
                    !PropertyText::ParseSet(n["set"].get<std::string>(), named.set))
                    Usage("a named property needs \"set\" (a GUID or a set name)");
                if (n.contains("name") && n["name"].is_string()) {
                    named.kind = MNID_STRING;
                    named.name = platform::Utf8ToUtf16(JsonText(n["name"], "a named property's \"name\""));
                    if (named.name.empty())
                        Usage("a named property's \"name\" is empty");
                } else if (n.contains("id") && n["id"].is_number()) {
                    named.kind = MNID_ID;
                    named.id = static_cast<LONG>(static_cast<std::uint32_t>(
                        JsonInteger(n["id"], INT32_MIN, UINT32_MAX, "a named property's \"id\"")));
                } else {
                    Usage("a named property needs \"name\" (text) or \"id\" (a number)");
                }
                if (!n.contains("type") || !n["type"].is_string() ||
                    !PropertyText::ParseType(n["type"].get<std::string>(), named.type))
                    Usage("a named property needs a \"type\"");
                if (!n.contains("value"))
                    Usage("a named property needs a \"value\"");
                named.jsonValue = n["value"];
                named.fromJson = true;
                draft.named.push_back(named);
            }
        } else if (key == "attachments") {
            if (!value.is_array())
                Usage("\"attachments\" must be a list");
            for (const auto& a : value) {
                if (!a.is_object() || !a.contains("file") || !a["file"].is_string())
                    Usage("an attachment needs \"file\"");
                draft.attachments.push_back({JsonText(a["file"], "an attachment's \"file\""),
                                            a.contains("name") ? JsonText(a["name"], "an attachment's \"name\"")
                                                               : std::string()});
            }
        } else if (key == "recipients") {
            if (!value.is_array())
                Usage("\"recipients\" must be a list");
            for (const auto& r : value) {
                if (!r.is_object() || !r.contains("name") || !r["name"].is_string())
                    Usage("a recipient needs \"name\"");
                const std::string kind = r.contains("type") && r["type"].is_string() ? r["type"].get<std::string>() : "to";
                ULONG type = kind == "to" ? MAPI_TO : kind == "cc" ? MAPI_CC : kind == "bcc" ? MAPI_BCC : 0;
                if (!type)
                    Usage("recipient type must be to, cc or bcc");
                const std::string name = JsonText(r["name"], "a recipient's \"name\"");
                if (name.empty())
                    Usage("a recipient's \"name\" is empty");
                draft.recipients.push_back(
                    {name, r.contains("address") ? JsonText(r["address"], "a recipient's \"address\"") : std::string(),
                     type});
            }
        } else {
            Usage("unknown key \"" + key + "\" in the message JSON");
        }
    }
}

MapiAdmin::MessageSpec MapiAdmin::ParseMessageOptions(const std::vector<std::string>& args, std::size_t from,
                                                      bool allowAssociated)
{
    MessageSpec draft;
    std::string error;
    for (std::size_t i = from; i < args.size(); ++i) {
        const std::string& opt = args[i];
        if (opt == "--associated") {
            if (!allowAssociated)
                Usage("--associated applies to new messages only");
            draft.associated = true;
            continue;
        }
        if (i + 1 >= args.size())
            Usage(opt + " needs a value");
        const std::string& v = args[++i];
        if (opt == "--subject")
            draft.texts.emplace_back(PR_SUBJECT_A, v);
        else if (opt == "--body")
            draft.texts.emplace_back(PR_BODY_A, v);
        else if (opt == "--class")
            draft.texts.emplace_back(PR_MESSAGE_CLASS_A, v);
        else if (opt == "--prop") {
            const auto eq = v.find('=');
            ULONG tag = 0;
            mapi::PropValue pv;
            if (eq == std::string::npos)
                Usage("--prop needs <tag>=<value>");
            if (!PropertyText::ParseTag(v.substr(0, eq), tag, error) ||
                !PropertyText::ParseText(tag, v.substr(eq + 1), pv, error))
                Usage(error);
            draft.props.push_back(pv);
        } else if (opt == "--named") {
            // <set>/<name or #id>/<type>=<value>
            const auto eq = v.find('=');
            const auto s1 = v.find('/');
            const auto s2 = eq == std::string::npos ? std::string::npos : v.rfind('/', eq);
            if (eq == std::string::npos || s1 == std::string::npos || s2 == s1)
                Usage("--named needs <set>/<name or #id>/<type>=<value>");
            MessageSpec::Named named{};
            if (!PropertyText::ParseSet(v.substr(0, s1), named.set))
                Usage("unknown property set \"" + v.substr(0, s1) + "\"");
            const std::string name = v.substr(s1 + 1, s2 - s1 - 1);
            if (!name.empty() && name[0] == '#') {
                char* end = nullptr;
                errno = 0;
                const long long id = std::strtoll(name.c_str() + 1, &end, 0);
                if (name.size() == 1 || *end || errno == ERANGE || id < INT32_MIN || id > UINT32_MAX)
                    Usage("bad named property id \"" + name + "\" (a number from 0 to 0xFFFFFFFF)");
                named.id = static_cast<LONG>(static_cast<std::uint32_t>(id));
                named.kind = MNID_ID;
            } else if (!name.empty()) {
                named.kind = MNID_STRING;
                named.name = platform::Utf8ToUtf16(name);
            } else {
                Usage("--named: empty property name");
            }
            if (!PropertyText::ParseType(v.substr(s2 + 1, eq - s2 - 1), named.type))
                Usage("unknown type \"" + v.substr(s2 + 1, eq - s2 - 1) + "\"");
            named.textValue = v.substr(eq + 1);
            draft.named.push_back(named);
        } else if (opt == "--attach") {
            const auto eq = v.find('=');
            draft.attachments.push_back({v.substr(0, eq), eq == std::string::npos ? std::string() : v.substr(eq + 1)});
        } else if (opt == "--to") {
            const auto colon = v.find(':');
            if (colon == 0 || v.empty())
                Usage("--to needs <name>[:<address>] with a name");
            draft.recipients.push_back(
                {v.substr(0, colon), colon == std::string::npos ? std::string() : v.substr(colon + 1), MAPI_TO});
        } else if (opt == "--json") {
            nlohmann::json j;
            LongStrings longs;
            try {
                if (v == "-") {
                    j = ReadMessageJson(std::cin, longs);
                } else {
                    std::ifstream in(v, std::ios::binary);
                    if (!in)
                        throw AdminError{2, "cannot read \"" + v + "\""};
                    j = ReadMessageJson(in, longs);
                }
            } catch (const nlohmann::json::exception& e) {
                // The library's words without its "[json.exception....]" prefix.
                std::string what = e.what();
                if (const auto end = what.find("] "); what.rfind("[json.exception", 0) == 0 && end != std::string::npos)
                    what.erase(0, end + 2);
                Usage("bad JSON in \"" + v + "\": " + what +
                      (e.id == 406 ? " (a number too large to hold)" : ""));
            }
            ParseMessageJson(j, longs, draft);
        } else {
            Usage("unknown option " + opt);
        }
    }
    // Every attachment must be readable before anything is written.
    for (const auto& a : draft.attachments) {
        std::ifstream in(a.path, std::ios::binary);
        if (!in)
            Usage("cannot read attachment \"" + a.path + "\"");
    }
    return draft;
}

void MapiAdmin::ApplyMessage(IMessage* msg, MessageSpec& draft)
{
    if (!draft.texts.empty()) {
        // Set first, so that a --prop of the same tag has the last word.
        std::vector<SPropValue> texts(draft.texts.size());
        for (std::size_t i = 0; i < texts.size(); ++i) {
            texts[i].ulPropTag = draft.texts[i].first;
            texts[i].Value.lpszA = const_cast<char*>(draft.texts[i].second.c_str());
        }
        Check(msg->SetProps(static_cast<ULONG>(texts.size()), texts.data(), nullptr), "setting properties");
    }
    for (auto& text : draft.longTexts) {
        // Sized first (from a count of its UTF-16 form), so that the value grows in place.
        ULARGE_INTEGER size{};
        for (const std::string& piece : text.pieces)
            size.QuadPart += platform::Utf8ToUtf16(piece).size() * sizeof(char16_t);
        ComPtr<IStream> stream;
        Check(msg->OpenProperty(CHANGE_PROP_TYPE(text.tag, PT_UNICODE), &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY,
                                reinterpret_cast<LPUNKNOWN*>(stream.put())),
              "setting properties");
        Check(stream->SetSize(size), "setting properties");
        while (!text.pieces.empty()) {
            const std::u16string wide = platform::Utf8ToUtf16(text.pieces.front());
            text.pieces.pop_front();
            Check(stream->Write(wide.data(), static_cast<ULONG>(wide.size() * sizeof(char16_t)), nullptr),
                  "setting properties");
        }
        Check(stream->Commit(0), "setting properties");
    }
    std::vector<mapi::PropValue> values = draft.props;
    std::string error;
    for (const auto& n : draft.named) {
        MAPINAMEID id{const_cast<GUID*>(&n.set), n.kind, {}};
        if (n.kind == MNID_ID)
            id.Kind.lID = n.id;
        else
            id.Kind.lpwstrName = const_cast<WCHAR*>(n.name.c_str());
        LPMAPINAMEID list = &id;
        LPSPropTagArray tags = nullptr;
        Check(msg->GetIDsFromNames(1, &list, MAPI_CREATE, &tags), "resolving a named property");
        const ULONG tag = PROP_TAG(n.type, PROP_ID(tags->aulPropTag[0]));
        MAPIFreeBuffer(tags);
        mapi::PropValue pv;
        if (!(n.fromJson ? PropertyText::ParseJson(tag, n.jsonValue, pv, error)
                         : PropertyText::ParseText(tag, n.textValue, pv, error)))
            Usage(error);
        values.push_back(pv);
    }
    if (!values.empty()) {
        void* block = nullptr;
        Check(MAPIAllocateBuffer(static_cast<ULONG>(sizeof(SPropValue) * values.size()), &block), "memory");
        auto* sv = static_cast<LPSPropValue>(block);
        HRESULT hr = S_OK;
        for (std::size_t i = 0; i < values.size() && SUCCEEDED(hr); ++i)
            hr = values[i].ToSPropValue(values[i].tag(), sv[i], block);
        LPSPropProblemArray problems = nullptr;
        if (SUCCEEDED(hr))
            hr = msg->SetProps(static_cast<ULONG>(values.size()), sv, &problems);
        std::string bad;
        if (problems) {
            for (ULONG i = 0; i < problems->cProblem; ++i)
                bad += (bad.empty() ? "" : ", ") + PropertyText::TagName(problems->aProblem[i].ulPropTag) + " (" +
                       ErrorName(problems->aProblem[i].scode) + ")";
            MAPIFreeBuffer(problems);
        }
        MAPIFreeBuffer(block);
        Check(hr, "setting properties");
        if (!bad.empty())
            throw AdminError{1, "these properties cannot be set: " + bad};
    }
    for (const auto& a : draft.attachments) {
        const std::string data = ReadFile(a.path);
        const std::string name = a.name.empty() ? std::filesystem::path(a.path).filename().string() : a.name;
        ComPtr<IAttach> att;
        ULONG num = 0;
        Check(msg->CreateAttach(nullptr, 0, &num, att.put()), "adding an attachment");
        SPropValue p[4] = {};
        p[0].ulPropTag = PR_ATTACH_METHOD;
        p[0].Value.l = ATTACH_BY_VALUE;
        p[1].ulPropTag = PR_ATTACH_LONG_FILENAME_A;
        p[1].Value.lpszA = const_cast<char*>(name.c_str());
        p[2].ulPropTag = PR_DISPLAY_NAME_A;
        p[2].Value.lpszA = const_cast<char*>(name.c_str());
        p[3].ulPropTag = PR_ATTACH_DATA_BIN;
        p[3].Value.bin = {static_cast<ULONG>(data.size()), reinterpret_cast<LPBYTE>(const_cast<char*>(data.data()))};
        Check(att->SetProps(4, p, nullptr), "writing an attachment");
        Check(att->SaveChanges(0), "saving an attachment");
    }
    for (const auto& r : draft.recipients) {
        SPropValue p[4] = {};
        p[0].ulPropTag = PR_DISPLAY_NAME_A;
        p[0].Value.lpszA = const_cast<char*>(r.name.c_str());
        p[1].ulPropTag = PR_RECIPIENT_TYPE;
        p[1].Value.l = static_cast<LONG>(r.type);
        p[2].ulPropTag = PR_EMAIL_ADDRESS_A;
        p[2].Value.lpszA = const_cast<char*>(r.address.c_str());
        p[3].ulPropTag = PR_ADDRTYPE_A;
        p[3].Value.lpszA = const_cast<char*>("SMTP");
        SRowSet list{1, {{0, r.address.empty() ? 2u : 4u, p}}};
        Check(msg->ModifyRecipients(MODRECIP_ADD, &list), "adding a recipient");
    }
    Check(msg->SaveChanges(KEEP_OPEN_READWRITE), "saving the message");
}

nlohmann::json MapiAdmin::DescribeMessage(IMessage* msg)
{
    nlohmann::json m;
    LPSPropValue props = nullptr;
    ULONG count = 0;
    Check(msg->GetProps(nullptr, MAPI_UNICODE, &count, &props), "reading the message");
    nlohmann::json p = nlohmann::json::object();
    std::vector<ULONG> namedTags;
    for (ULONG i = 0; i < count; ++i) {
        const ULONG tag = props[i].ulPropTag;
        if (PROP_ID(tag) >= 0x8000) {
            namedTags.push_back(tag);
            continue;
        }
        p[PropertyText::TagName(tag)] = PropertyText::ToJson(FromSProp(props[i]));
    }
    m["props"] = p;
    m["named"] = nlohmann::json::array();
    if (!namedTags.empty()) {
        std::vector<char> buf(CbNewSPropTagArray(namedTags.size()));
        auto* tags = reinterpret_cast<LPSPropTagArray>(buf.data());
        tags->cValues = static_cast<ULONG>(namedTags.size());
        for (std::size_t i = 0; i < namedTags.size(); ++i)
            tags->aulPropTag[i] = namedTags[i];
        ULONG n = 0;
        LPMAPINAMEID* names = nullptr;
        if (SUCCEEDED(msg->GetNamesFromIDs(&tags, nullptr, 0, &n, &names))) {
            for (ULONG i = 0; i < n; ++i) {
                nlohmann::json e;
                e["tag"] = PropertyText::TagName(namedTags[i]);
                if (names[i]) {
                    e["set"] = PropertyText::SetName(*names[i]->lpguid);
                    if (names[i]->ulKind == MNID_ID)
                        e["id"] = names[i]->Kind.lID;
                    else
                        e["name"] = platform::Utf16ToUtf8(names[i]->Kind.lpwstrName);
                }
                e["type"] = PropertyText::TypeName(PROP_TYPE(namedTags[i]));
                LPSPropValue v = PpropFindProp(props, count, namedTags[i]);
                e["value"] = PropertyText::ToJson(FromSProp(*v));
                m["named"].push_back(e);
            }
            MAPIFreeBuffer(names);
        }
    }
    MAPIFreeBuffer(props);
    m["attachments"] = nlohmann::json::array();
    ComPtr<IMAPITable> table;
    Check(msg->GetAttachmentTable(0, table.put()), "reading attachments");
    SizedSPropTagArray(3, acols) = {3, {PR_ATTACH_NUM, PR_ATTACH_LONG_FILENAME_A, PR_ATTACH_SIZE}};
    LPSRowSet rows = nullptr;
    Check(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&acols), nullptr, nullptr, 0, &rows),
          "reading attachments");
    for (ULONG i = 0; i < rows->cRows; ++i) {
        const SPropValue* a = rows->aRow[i].lpProps;
        nlohmann::json e;
        e["num"] = a[0].Value.l;
        e["filename"] = PROP_TYPE(a[1].ulPropTag) == PT_STRING8 ? a[1].Value.lpszA : "";
        e["size"] = a[2].Value.l;
        ComPtr<IAttach> att;
        LPSPropValue data = nullptr;
        if (SUCCEEDED(msg->OpenAttach(a[0].Value.l, nullptr, 0, att.put())) &&
            SUCCEEDED(HrGetOneProp(att.get(), PR_ATTACH_DATA_BIN, &data)))
            e["bytes"] = data->Value.bin.cb;
        MAPIFreeBuffer(data);
        m["attachments"].push_back(e);
    }
    FreeProws(rows);
    m["recipients"] = nlohmann::json::array();
    Check(msg->GetRecipientTable(0, table.put()), "reading recipients");
    SizedSPropTagArray(4, rcols) = {4, {PR_ROWID, PR_DISPLAY_NAME_A, PR_EMAIL_ADDRESS_A, PR_RECIPIENT_TYPE}};
    rows = nullptr;
    Check(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&rcols), nullptr, nullptr, 0, &rows),
          "reading recipients");
    for (ULONG i = 0; i < rows->cRows; ++i) {
        const SPropValue* r = rows->aRow[i].lpProps;
        nlohmann::json e;
        e["rowid"] = r[0].Value.l;
        e["name"] = PROP_TYPE(r[1].ulPropTag) == PT_STRING8 ? r[1].Value.lpszA : "";
        e["address"] = PROP_TYPE(r[2].ulPropTag) == PT_STRING8 ? r[2].Value.lpszA : "";
        const LONG t = PROP_TYPE(r[3].ulPropTag) == PT_LONG ? r[3].Value.l : 0;
        e["type"] = t == MAPI_TO ? "to" : t == MAPI_CC ? "cc" : t == MAPI_BCC ? "bcc" : "other";
        m["recipients"].push_back(e);
    }
    FreeProws(rows);
    return m;
}

void MapiAdmin::PrintMessage(const nlohmann::json& m)
{
    for (auto& [k, v] : m["props"].items())
        m_out << k << " = " << (v.is_string() ? v.get<std::string>() : v.dump()) << "\n";
    for (const auto& n : m["named"])
        m_out << n["set"].get<std::string>() << "/"
              << (n.contains("name") ? n["name"].get<std::string>() : "#" + std::to_string(n["id"].get<LONG>())) << "/"
              << n["type"].get<std::string>() << " = "
              << (n["value"].is_string() ? n["value"].get<std::string>() : n["value"].dump()) << "\n";
    for (const auto& a : m["attachments"])
        m_out << "attachment " << a["num"].dump() << ": " << a["filename"].get<std::string>() << " ("
              << (a.contains("bytes") ? a["bytes"].dump() : "0") << " bytes)\n";
    for (const auto& r : m["recipients"])
        m_out << "recipient " << r["type"].get<std::string>() << ": " << r["name"].get<std::string>()
              << (r["address"].get<std::string>().empty() ? "" : " <" + r["address"].get<std::string>() + ">") << "\n";
}

void MapiAdmin::Message(const std::vector<std::string>& args)
{
    if (args.size() < 3)
        Usage("message: missing arguments");
    const std::string& sub = args[0];
    if (sub == "create") {
        MessageSpec draft = ParseMessageOptions(args, 3, true);
        auto store = OpenStore(args[1], true);
        auto folder = OpenFolderPath(store.get(), args[2], true);
        ComPtr<IMessage> msg;
        Check(folder->CreateMessage(nullptr, draft.associated ? MAPI_ASSOCIATED : 0, msg.put()), "creating a message");
        ApplyMessage(msg.get(), draft);
        LPSPropValue eid = nullptr;
        Check(HrGetOneProp(msg.get(), PR_ENTRYID, &eid), "reading the new message");
        m_out << PropertyText::Hex(mapi::Bytes(reinterpret_cast<char*>(eid->Value.bin.lpb), eid->Value.bin.cb)) << "\n";
        MAPIFreeBuffer(eid);
    } else if (sub == "change") {
        MessageSpec draft = ParseMessageOptions(args, 3, false);
        auto store = OpenStore(args[1], true);
        auto msg = OpenMessage(store.get(), args[2], true);
        ApplyMessage(msg.get(), draft);
    } else if (sub == "show" && (args.size() == 3 || (args.size() == 4 && args[3] == "--json"))) {
        auto store = OpenStore(args[1], false);
        auto msg = OpenMessage(store.get(), args[2], false);
        nlohmann::json m = DescribeMessage(msg.get());
        if (args.size() == 4)
            m_out << m.dump(2) << "\n";
        else
            PrintMessage(m);
    } else if (sub == "delete" && args.size() == 3) {
        auto store = OpenStore(args[1], true);
        auto msg = OpenMessage(store.get(), args[2], false);
        LPSPropValue parent = nullptr;
        Check(HrGetOneProp(msg.get(), PR_PARENT_ENTRYID, &parent), "reading the message's folder");
        ComPtr<IUnknown> unk;
        ULONG type = 0;
        HRESULT hr = store->OpenEntry(parent->Value.bin.cb, reinterpret_cast<LPENTRYID>(parent->Value.bin.lpb),
                                      nullptr, MAPI_MODIFY, &type, unk.put());
        MAPIFreeBuffer(parent);
        Check(hr, "opening the message's folder");
        mapi::Bytes eid;
        PropertyText::FromHex(args[2], eid);
        SBinary bin{static_cast<ULONG>(eid.size()), reinterpret_cast<LPBYTE>(eid.data())};
        ENTRYLIST list{1, &bin};
        Check(static_cast<IMAPIFolder*>(unk.get())->DeleteMessages(&list, 0, nullptr, 0), "deleting the message");
    } else if (sub == "list") {
        bool json = false, associated = false;
        for (std::size_t i = 3; i < args.size(); ++i) {
            if (args[i] == "--json")
                json = true;
            else if (args[i] == "--associated")
                associated = true;
            else
                Usage("message list: unknown option " + args[i]);
        }
        auto store = OpenStore(args[1], false);
        auto folder = OpenFolderPath(store.get(), args[2], false);
        ComPtr<IMAPITable> table;
        Check(folder->GetContentsTable(associated ? MAPI_ASSOCIATED : 0, table.put()), "reading the folder");
        SizedSPropTagArray(4, cols) = {4, {PR_ENTRYID, PR_SUBJECT_A, PR_MESSAGE_CLASS_A, PR_LAST_MODIFICATION_TIME}};
        LPSRowSet rows = nullptr;
        Check(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr, 0, &rows),
              "reading messages");
        nlohmann::json list = nlohmann::json::array();
        for (ULONG i = 0; i < rows->cRows; ++i) {
            const SPropValue* p = rows->aRow[i].lpProps;
            nlohmann::json m;
            m["entryid"] = PropertyText::Hex(mapi::Bytes(reinterpret_cast<char*>(p[0].Value.bin.lpb), p[0].Value.bin.cb));
            m["subject"] = PROP_TYPE(p[1].ulPropTag) == PT_STRING8 ? p[1].Value.lpszA : "";
            m["class"] = PROP_TYPE(p[2].ulPropTag) == PT_STRING8 ? p[2].Value.lpszA : "";
            m["modified"] = PROP_TYPE(p[3].ulPropTag) == PT_SYSTIME ? PropertyText::ToText(FromSProp(p[3])) : "";
            list.push_back(m);
        }
        FreeProws(rows);
        if (json) {
            m_out << list.dump(2) << "\n";
        } else {
            for (const auto& m : list)
                m_out << m["entryid"].get<std::string>() << "\t" << m["subject"].get<std::string>() << "\t"
                      << m["class"].get<std::string>() << "\t" << m["modified"].get<std::string>() << "\n";
        }
    } else {
        Usage("message: bad arguments");
    }
}
