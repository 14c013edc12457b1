// syncsetup: makes a sync profile and its folder associations through the engine's COM
// interface, as the profile dialogs would, for scripted set-ups (the suite's run script).
//
//   syncsetup create NAME --source STORE --destination STORE [--link LOCAL=GLOBAL]...
//   syncsetup list
//
// STORE is a store's display name; LOCAL and GLOBAL are folder paths below the top folder of the
// destination and the source store ("Inbox", "Projects/Alpha"). A profile of that name that
// exists already is kept (its stores must be the same) and gets the associations it lacks.
// Exit status: 0 done, 1 a failed step (reported with its error text), 2 a bad command line.
#include "ErrorText.h"
#include "FolderSearch.h"
#include "TembrixLib.h"

#include "base/Utf.h"
#include "com/ComBstr.h"
#include "com/ComPtr.h"
#include "com/ComRuntime.h"
#include "mapi/Mapi.h"

#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Link {
    std::string local;
    std::string global;
};

struct Request {
    std::string command;
    std::string name;
    std::string source;
    std::string destination;
    std::vector<Link> links;
};

class Failure {
public:
    Failure(std::string what, HRESULT hr) : m_what(std::move(what)), m_hr(hr) {}
    std::string Text() const { return m_what + ": " + GetErrorText(m_hr); }

private:
    std::string m_what;
    HRESULT m_hr;
};

void Check(HRESULT hr, const std::string& what)
{
    if (FAILED(hr))
        throw Failure(what, hr);
}

std::string Text(const ComBstr& text) { return text.Utf8(); }

int Usage(const std::string& message)
{
    std::cerr << "syncsetup: " << message << "\n"
              << "usage: syncsetup create NAME --source STORE --destination STORE [--link LOCAL=GLOBAL]...\n"
              << "       syncsetup list\n";
    return 2;
}

std::optional<Request> Parse(const std::vector<std::string>& args, std::string& error)
{
    Request request;
    if (args.empty()) {
        error = "no command";
        return std::nullopt;
    }
    request.command = args[0];
    if (request.command == "list") {
        if (args.size() != 1) {
            error = "list takes no arguments";
            return std::nullopt;
        }
        return request;
    }
    if (request.command != "create") {
        error = "unknown command " + request.command;
        return std::nullopt;
    }
    if (args.size() < 2 || args[1].empty() || args[1].starts_with("--")) {
        error = "create needs a profile name";
        return std::nullopt;
    }
    request.name = args[1];
    for (std::size_t i = 2; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) {
            error = args[i] + " needs a value";
            return std::nullopt;
        }
        const std::string& value = args[i + 1];
        if (args[i] == "--source") {
            request.source = value;
        } else if (args[i] == "--destination") {
            request.destination = value;
        } else if (args[i] == "--link") {
            const auto equals = value.find('=');
            if (equals == std::string::npos || equals == 0 || equals + 1 == value.size()) {
                error = "a link reads LOCAL=GLOBAL: " + value;
                return std::nullopt;
            }
            request.links.push_back({value.substr(0, equals), value.substr(equals + 1)});
        } else {
            error = "unknown option " + args[i];
            return std::nullopt;
        }
    }
    if (request.source.empty() || request.destination.empty()) {
        error = "create needs --source and --destination";
        return std::nullopt;
    }
    return request;
}

// The first item of an engine collection whose name (as `name` reads it) is `wanted`.
template <class Item, class Collection, class Name>
ComPtr<Item> ItemNamed(Collection* collection, const std::string& wanted, Name name)
{
    LONG count = 0;
    Check(collection->get_Count(&count), "reading the list");
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<Item> item;
        ComBstr text;
        if (SUCCEEDED(collection->get_Items(i, item.put())) && SUCCEEDED((item.get()->*name)(text.put())) &&
            Text(text) == wanted)
            return item;
    }
    return {};
}

ComPtr<IStore> StoreNamed(IStores* stores, const std::string& name)
{
    return ItemNamed<IStore>(stores, name, &IStore::get_StoreName);
}

// The folder at a path of names below the store's top folder.
CEnginePtr<IFolder> FolderAt(IStore* store, const std::string& path)
{
    ComPtr<IFolders> top;
    Check(store->get_Folders(top.put()), "reading the folders");
    CEnginePtr<IFolder> folder;
    Check(top->get_Items(1, folder.put()), "reading the top folder");
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = path.find('/', start);
        const std::string name = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        start = slash == std::string::npos ? path.size() + 1 : slash + 1;
        if (name.empty())
            continue;
        FolderList children;
        Check(ChildFolders(folder.get(), children), "reading the folders below " + name);
        CEnginePtr<IFolder> next;
        for (const auto& child : children) {
            ComBstr text;
            if (SUCCEEDED(child->get_Name(text.put())) && Text(text) == name) {
                next = child;
                break;
            }
        }
        if (!next)
            throw Failure("no folder " + path, MAPI_E_NOT_FOUND);
        folder = next;
    }
    return folder;
}

// The saved profile of that name (a new object each time, as the engine hands them out).
ComPtr<IProfile> ProfileNamed(IProfiles* profiles, const std::string& name)
{
    return ItemNamed<IProfile>(profiles, name, &IProfile::get_Name);
}

std::string StoreName(IStore* store)
{
    ComBstr text;
    return store && SUCCEEDED(store->get_StoreName(text.put())) ? Text(text) : std::string();
}

void List(ISyncEngine* engine)
{
    ComPtr<IProfiles> profiles;
    Check(engine->get_Profiles(profiles.put()), "reading the profiles");
    LONG count = 0;
    Check(profiles->get_Count(&count), "reading the profiles");
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<IProfile> profile;
        ComBstr name;
        if (FAILED(profiles->get_Items(i, profile.put())) || FAILED(profile->get_Name(name.put())))
            continue;
        ComPtr<IStore> source, destination;
        const bool haveSource = SUCCEEDED(profile->get_Source(source.put()));
        const bool haveDestination = SUCCEEDED(profile->get_Destination(destination.put()));
        std::cout << "profile \"" << Text(name) << "\" source=\""
                  << (haveSource ? StoreName(source.get()) : "(not available)") << "\" destination=\""
                  << (haveDestination ? StoreName(destination.get()) : "(not available)") << "\"" << std::endl;
    }
}

void Create(ISyncEngine* engine, const Request& request)
{
    ComPtr<IProfiles> profiles;
    Check(engine->get_Profiles(profiles.put()), "reading the profiles");
    ComPtr<IProfile> profile = ProfileNamed(profiles.get(), request.name);
    if (!profile) {
        ComPtr<IStores> sources, destinations;
        Check(engine->get_Sources(sources.put()), "reading the stores");
        Check(engine->get_Destinations(destinations.put()), "reading the stores");
        ComPtr<IStore> source = StoreNamed(sources.get(), request.source);
        ComPtr<IStore> destination = StoreNamed(destinations.get(), request.destination);
        if (!source)
            throw Failure("no source store \"" + request.source + "\"", MAPI_E_NOT_FOUND);
        if (!destination)
            throw Failure("no destination store \"" + request.destination + "\"", MAPI_E_NOT_FOUND);
        ComPtr<IProfile> created;
        Check(profiles->get_Items(-1, created.put()), "making the profile");
        ComBstr name(std::string_view{request.name});
        Check(created->put_Name(name), "naming the profile");
        Check(created->put_Source(source.get()), "setting the source store");
        Check(created->put_Destination(destination.get()), "setting the destination store");
        Check(profiles->Add(created.get()), "saving the profile");
        profile = ProfileNamed(profiles.get(), request.name);
        if (!profile)
            throw Failure("the saved profile cannot be read", E_FAIL);
        std::cout << "profile \"" << request.name << "\" created" << std::endl;
    } else {
        std::cout << "profile \"" << request.name << "\" exists" << std::endl;
    }
    ComPtr<IStore> source, destination;
    Check(profile->get_Source(source.put()), "opening the source store");
    Check(profile->get_Destination(destination.put()), "opening the destination store");
    if (StoreName(source.get()) != request.source || StoreName(destination.get()) != request.destination)
        throw Failure("profile \"" + request.name + "\" has other stores", E_INVALIDARG);
    for (const Link& link : request.links) {
        CEnginePtr<IFolder> local = FolderAt(destination.get(), link.local);
        CEnginePtr<IFolder> global = FolderAt(source.get(), link.global);
        ComPtr<IFolder> current;
        ComBstr currentKey, globalKey;
        Check(global->get_RecordKey(globalKey.put()), "reading " + link.global);
        if (local->get_Source(current.put()) == S_OK && current && SUCCEEDED(current->get_RecordKey(currentKey.put())) &&
            Text(currentKey) == Text(globalKey)) {
            std::cout << "link " << link.local << " = " << link.global << " exists" << std::endl;
            continue;
        }
        Check(local->put_Source(global.get()), "associating " + link.local + " with " + link.global);
        std::cout << "link " << link.local << " = " << link.global << " made" << std::endl;
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::string error;
    const auto request = Parse(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!request)
        return Usage(error);

    int status = 0;
    const HRESULT hrCom = CoInitialize(nullptr);
    const HRESULT hrMapi = MAPIInitialize(nullptr);
    try {
        Check(hrCom, "starting COM");
        Check(hrMapi, "starting MAPI");
        ComPtr<IUnknown> unknown;
        Check(CoCreateInstance(CLSID_SyncEngine, nullptr, CLSCTX_ALL, IID_IUnknown, unknown.put_void()),
              "creating the engine (is it registered?)");
        ComPtr<ISyncEngine> engine;
        Check(unknown.As(engine), "creating the engine");
        Check(engine->Init(), "starting the engine");
        if (request->command == "list")
            List(engine.get());
        else
            Create(engine.get(), *request);
    } catch (const Failure& failure) {
        std::cerr << "syncsetup: " << failure.Text() << std::endl;
        status = 1;
    } catch (const CComError& failure) {
        std::cerr << "syncsetup: " << GetErrorText(failure.Error()) << std::endl;
        status = 1;
    }
    if (SUCCEEDED(hrMapi))
        MAPIUninitialize();
    if (SUCCEEDED(hrCom))
        CoUninitialize();
    return status;
}
