// The mapiadmin program, run as users and scenario scripts run it.
#include "MapiTestUtil.h"

#include "mapi/Mapi.h"
#include "mapi/ProfileRegistry.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace mapitest;

namespace {

struct Result {
    int code;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class AdminTool : public ::testing::Test {
protected:
    Result Run(const std::vector<std::string>& args)
    {
        const auto errFile = root.path() / "stderr.txt";
        std::string cmd = Quote(MAPIADMIN);
        for (const auto& a : args)
            cmd += " " + Quote(a);
        cmd += " 2>" + Quote(errFile.string());
        FILE* p = popen(cmd.c_str(), "r");
        Result r{-1, {}, {}};
        char buf[4096];
        size_t n;
        while (p && (n = fread(buf, 1, sizeof buf, p)) > 0)
            r.out.append(buf, n);
        int status = p ? pclose(p) : -1;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ifstream in(errFile);
        r.err.assign(std::istreambuf_iterator<char>(in), {});
        while (!r.out.empty() && r.out.back() == '\n')
            r.out.pop_back();
        return r;
    }
    std::string Store() const { return (root.path() / "p.store").string(); }
    std::string WriteFile(const std::string& name, const std::string& content)
    {
        const auto p = root.path() / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    size_t CountMessages(const std::string& folder)
    {
        Result r = Run({"message", "list", Store(), folder, "--json"});
        EXPECT_EQ(r.code, 0) << r.err;
        return nlohmann::json::parse(r.out).size();
    }

    TempRoot root;
};

} // namespace

TEST_F(AdminTool, BuildsAScenarioThatTheLibraryReads)
{
    ASSERT_EQ(Run({"profile", "create", "Work"}).code, 0);
    Result created = Run({"store", "create", Store(), "--name", "Personal Folders", "--profile", "Work"});
    ASSERT_EQ(created.code, 0) << created.err;
    ASSERT_EQ(Run({"folder", "create", Store(), "Projects"}).code, 0);
    ASSERT_EQ(Run({"folder", "create", Store(), "Projects/Alpha"}).code, 0);
    const std::string file = WriteFile("report.txt", "report contents");
    Result msg = Run({"message", "create", Store(), "Projects/Alpha", "--subject", "Status", "--body", "All fine",
                      "--class", "IPM.Appointment", "--prop", "PR_IMPORTANCE=2", "--named",
                      "PSETID_Common/#0x8503/bool=true", "--named", "PS_PUBLIC_STRINGS/LumivaneItem/bool=1",
                      "--attach", file, "--to", "Ann:ann@example.com"});
    ASSERT_EQ(msg.code, 0) << msg.err;
    const std::string eid = msg.out;

    // The library sees it all, through a session on the profile.
    ASSERT_EQ(MAPIInitialize(nullptr), S_OK);
    ComPtr<IMAPISession> session;
    ASSERT_EQ(MAPILogonEx(0, const_cast<char*>("Work"), nullptr, MAPI_EXTENDED | MAPI_NEW_SESSION, session.put()), S_OK);
    Bytes bin(eid.size() / 2, '\0');
    ASSERT_TRUE(FBinFromHex(const_cast<char*>(eid.c_str()), reinterpret_cast<LPBYTE>(bin.data())));
    ComPtr<IUnknown> unk;
    ULONG type = 0;
    ASSERT_EQ(session->OpenEntry(ULONG(bin.size()), (LPENTRYID)bin.data(), nullptr, 0, &type, unk.put()), S_OK);
    auto* m = static_cast<IMessage*>(unk.get());
    EXPECT_EQ(GetText(m, PR_SUBJECT), "Status");
    EXPECT_EQ(GetText(m, PR_MESSAGE_CLASS), "IPM.Appointment");
    EXPECT_EQ(GetLong(m, PR_IMPORTANCE), 2);
    MAPINAMEID name{const_cast<GUID*>(&PSETID_Common), MNID_ID, {}};
    name.Kind.lID = 0x8503;
    LPMAPINAMEID list = &name;
    LPSPropTagArray tags = nullptr;
    ASSERT_EQ(m->GetIDsFromNames(1, &list, 0, &tags), S_OK);
    EXPECT_EQ(GetLong(m, PROP_TAG(PT_BOOLEAN, PROP_ID(tags->aulPropTag[0]))) & 0xFF, 1);
    MAPIFreeBuffer(tags);
    unk = nullptr;
    session = nullptr;
    MAPIUninitialize();

    // show --json gives the same back, attachment bytes included.
    Result show = Run({"message", "show", Store(), eid, "--json"});
    ASSERT_EQ(show.code, 0) << show.err;
    auto j = nlohmann::json::parse(show.out);
    EXPECT_EQ(j["props"]["PR_BODY"], "All fine");
    EXPECT_EQ(j["attachments"][0]["filename"], "report.txt");
    EXPECT_EQ(j["attachments"][0]["bytes"], 15);
    EXPECT_EQ(j["recipients"][0]["address"], "ann@example.com");
    ASSERT_EQ(j["named"].size(), 2u);

    // A change advances the modification time.
    const std::string before = j["props"]["PR_LAST_MODIFICATION_TIME"];
    ASSERT_EQ(Run({"message", "change", Store(), eid, "--subject", "Status 2"}).code, 0);
    auto j2 = nlohmann::json::parse(Run({"message", "show", Store(), eid, "--json"}).out);
    EXPECT_EQ(j2["props"]["PR_SUBJECT"], "Status 2");
    EXPECT_GT(j2["props"]["PR_LAST_MODIFICATION_TIME"].get<std::string>(), before);

    EXPECT_EQ(Run({"folder", "list", Store()}).out.find("/Projects/Alpha") != std::string::npos, true);
    Result dump = Run({"store", "dump", Store(), "--json"});
    ASSERT_EQ(dump.code, 0);
    EXPECT_NE(dump.out.find("Status 2"), std::string::npos);
    ASSERT_EQ(Run({"message", "delete", Store(), eid}).code, 0);
    EXPECT_EQ(CountMessages("Projects/Alpha"), 0u);
    ASSERT_EQ(Run({"folder", "delete", Store(), "Projects"}).code, 0);
    EXPECT_EQ(Run({"message", "list", Store(), "Projects/Alpha"}).code, 1);
}

TEST_F(AdminTool, MessagesFromJson)
{
    ASSERT_EQ(Run({"store", "create", Store()}).code, 0);
    const std::string att = WriteFile("data.bin", std::string("\0\1\2\3", 4));
    const std::string json = WriteFile("msg.json", R"({
        "subject": "From JSON", "body": "Body text", "class": "IPM.Task", "associated": true,
        "props": {"PR_IMPORTANCE": 1, "0x6701:time": "2030-01-02T03:04:05Z", "0x6702:mv-string": ["a", "b"]},
        "named": [{"set": "PSETID_Task", "id": 33025, "type": "long", "value": 2},
                  {"set": "{11111111-2222-3333-4444-555555555555}", "name": "PRS_SEARCH_KEY", "type": "binary",
                   "value": "00ff"}],
        "attachments": [{"file": ")" + att + R"(", "name": "renamed.bin"}],
        "recipients": [{"name": "Bob", "type": "cc"}]
    })");
    Result r = Run({"message", "create", Store(), "Tasks", "--json", json});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(CountMessages("Tasks"), 0u); // associated
    auto j = nlohmann::json::parse(Run({"message", "show", Store(), r.out, "--json"}).out);
    EXPECT_EQ(j["props"]["PR_SUBJECT"], "From JSON");
    EXPECT_EQ(j["props"]["0x67010040"], "2030-01-02T03:04:05Z");
    EXPECT_EQ(j["props"]["0x6702101F"], nlohmann::json::array({"a", "b"}));
    EXPECT_EQ(j["attachments"][0]["filename"], "renamed.bin");
    EXPECT_EQ(j["attachments"][0]["bytes"], 4);
    EXPECT_EQ(j["recipients"][0]["type"], "cc");
    bool sawKey = false;
    for (const auto& n : j["named"])
        sawKey |= n.contains("name") && n["name"] == "PRS_SEARCH_KEY" && n["value"] == "00ff";
    EXPECT_TRUE(sawKey);
    Result assoc = Run({"message", "list", Store(), "Tasks", "--associated"});
    EXPECT_NE(assoc.out.find("From JSON"), std::string::npos);
}

TEST_F(AdminTool, BadInputIsRefusedAndChangesNothing)
{
    ASSERT_EQ(Run({"store", "create", Store()}).code, 0);
    EXPECT_EQ(Run({}).code, 2);
    EXPECT_EQ(Run({"frobnicate"}).code, 2);
    Result badValue = Run({"message", "create", Store(), "Inbox", "--prop", "PR_IMPORTANCE=high"});
    EXPECT_EQ(badValue.code, 2);
    EXPECT_NE(badValue.err.find("bad integer value"), std::string::npos);
    EXPECT_EQ(Run({"message", "create", Store(), "Inbox", "--attach", "/no/such/file"}).code, 2);
    EXPECT_EQ(Run({"message", "create", Store(), "Inbox", "--prop", "PR_NOPE=1"}).code, 2);
    EXPECT_EQ(Run({"message", "create", Store(), "Inbox", "--json", WriteFile("bad.json", "{not json")}).code, 2);
    EXPECT_EQ(Run({"message", "create", Store(), "Inbox", "--json", WriteFile("bad2.json", R"({"colour": 1})")}).code,
              2);
    EXPECT_EQ(Run({"message", "show", Store(), "xyz"}).code, 2);
    EXPECT_EQ(Run({"message", "create", Store(), "Inbox", "--prop", "PR_ENTRYID=00"}).code, 1); // computed
    EXPECT_EQ(CountMessages("Inbox"), 0u);
    EXPECT_EQ(Run({"folder", "create", Store(), "Inbox"}).code, 1);
    EXPECT_EQ(Run({"store", "create", Store()}).code, 1);

    const std::string junk = WriteFile("junk.store", "definitely not a store");
    Result corrupt = Run({"store", "dump", junk});
    EXPECT_EQ(corrupt.code, 1);
    EXPECT_NE(corrupt.err.find("MAPI_E_CORRUPT_STORE"), std::string::npos);
    std::ifstream in(junk);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "definitely not a store");
    EXPECT_EQ(Run({"profile", "delete", "Nobody"}).code, 1);
}

TEST_F(AdminTool, SharedStoreFilesAreAttachedToSeveralProfiles)
{
    std::filesystem::create_directory(root.path() / "shared");
    const std::string pub = (root.path() / "shared" / "public.store").string();
    ASSERT_EQ(Run({"store", "create", pub, "--kind", "public", "--name", "Public Folders"}).code, 0);
    ASSERT_EQ(Run({"profile", "create", "Ann"}).code, 0);
    ASSERT_EQ(Run({"profile", "create", "Bob", "--default"}).code, 0);
    ASSERT_EQ(Run({"store", "attach", "Ann", pub}).code, 0);
    ASSERT_EQ(Run({"store", "attach", "Bob", pub}).code, 0);
    EXPECT_EQ(Run({"store", "attach", "Bob", pub}).code, 1);
    EXPECT_NE(Run({"store", "list", "Ann"}).out.find("Public Folders"), std::string::npos);
    EXPECT_NE(Run({"profile", "list"}).out.find("Bob (default)"), std::string::npos);
    ASSERT_EQ(Run({"store", "detach", "Ann", pub}).code, 0);
    EXPECT_EQ(Run({"store", "list", "Ann"}).out, "");
    EXPECT_EQ(Run({"store", "detach", "Ann", pub}).code, 1);
}

TEST_F(AdminTool, FolderPathsNameFoldersOnly)
{
    ASSERT_EQ(Run({"store", "create", Store()}).code, 0);
    const std::string before = Run({"folder", "list", Store()}).out;
    for (const char* path : {"..", ".", "Inbox/..", "Inbox/./z", "Inbox//z", "Inbox/", "//Inbox"}) {
        const Result r = Run({"folder", "create", Store(), path});
        EXPECT_EQ(r.code, 2) << path;
        EXPECT_NE(r.err.find("folder"), std::string::npos) << r.err;
        EXPECT_EQ(Run({"message", "create", Store(), path, "--subject", "x"}).code, 2) << path;
    }
    EXPECT_EQ(Run({"folder", "list", Store()}).out, before);
    // A path as "folder list" prints it, with the slash in front.
    EXPECT_EQ(Run({"folder", "create", Store(), "/Inbox/Sub"}).code, 0);
    EXPECT_NE(Run({"folder", "list", Store()}).out.find("/Inbox/Sub"), std::string::npos);
}

TEST_F(AdminTool, StoreCreateNeedsAnExistingFolder)
{
    const auto missing = root.path() / "missing" / "p.store";
    const Result r = Run({"store", "create", missing.string()});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("does not exist"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(root.path() / "missing"));
}

// Two programs that make the same store or profile at the same moment: exactly one makes it.
TEST_F(AdminTool, ConcurrentCreationHasOneWinner)
{
    auto both = [&](const std::vector<std::string>& args) {
        std::vector<pid_t> pids;
        for (int i = 0; i < 2; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                const int null = open("/dev/null", O_WRONLY);
                dup2(null, 1);
                dup2(null, 2);
                std::vector<char*> argv{const_cast<char*>(MAPIADMIN)};
                for (const auto& a : args)
                    argv.push_back(const_cast<char*>(a.c_str()));
                argv.push_back(nullptr);
                execv(MAPIADMIN, argv.data());
                _exit(127);
            }
            pids.push_back(pid);
        }
        std::vector<int> codes;
        for (const pid_t pid : pids) {
            int status = 0;
            waitpid(pid, &status, 0);
            codes.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        }
        std::sort(codes.begin(), codes.end());
        return codes;
    };
    for (int round = 0; round < 12; ++round) {
        const std::string store = (root.path() / ("s" + std::to_string(round) + ".store")).string();
        EXPECT_EQ(both({"store", "create", store}), (std::vector<int>{0, 1})) << "round " << round;
        ComPtr<IMsgStore> s;
        EXPECT_EQ(mapi::OpenStoreFile(store, 0, s.put()), S_OK);
        const std::string profile = "P" + std::to_string(round);
        EXPECT_EQ(both({"profile", "create", profile}), (std::vector<int>{0, 1})) << "round " << round;
        EXPECT_TRUE(mapi::ProfileRegistry::Exists(profile));
    }
    // Nothing half-made is left beside the stores.
    for (const auto& entry : std::filesystem::directory_iterator(root.path()))
        EXPECT_EQ(entry.path().string().find(".creating"), std::string::npos) << entry.path();
}

TEST_F(AdminTool, LongJsonTextsArriveWhole)
{
    ASSERT_EQ(Run({"store", "create", Store()}).code, 0);
    // Characters of every UTF-8 length, written as they are and as escapes (a surrogate pair
    // too), repeated past several of the pieces a long text is read in, so that pieces end at
    // every kind of place.
    const std::string unit = R"(é€😀\"\\\n\ud83d\ude00x)";
    const std::string decoded = "é€😀\"\\\n😀x";
    std::string raw, expected;
    for (int i = 0; i < 100000; ++i) {
        raw += unit;
        expected += decoded;
    }
    const std::string json = WriteFile("long.json", R"({"subject": "long", "body": ")" + raw +
                                                        R"(", "props": {"0x6703:string": ")" + raw + R"("}})");
    Result r = Run({"message", "create", Store(), "Inbox", "--json", json});
    ASSERT_EQ(r.code, 0) << r.err;
    auto j = nlohmann::json::parse(Run({"message", "show", Store(), r.out, "--json"}).out);
    EXPECT_EQ(j["props"]["PR_SUBJECT"], "long");
    EXPECT_TRUE(j["props"]["PR_BODY"] == expected) << "the body differs";
    EXPECT_TRUE(j["props"]["0x6703001F"] == expected) << "the long property differs";

    // A raw control character deep inside a long text is bad JSON, as anywhere else.
    const Result bad = Run({"message", "create", Store(), "Inbox", "--json",
                            WriteFile("bad.json", R"({"body": ")" + raw + "\t" + raw + R"("})")});
    EXPECT_EQ(bad.code, 2);
    EXPECT_NE(bad.err.find("bad JSON"), std::string::npos) << bad.err;
    EXPECT_EQ(CountMessages("Inbox"), 1u);
}

TEST_F(AdminTool, JsonValuesThatCannotBeKeptAreRefused)
{
    ASSERT_EQ(Run({"store", "create", Store()}).code, 0);
    auto create = [&](const std::string& json) {
        return Run({"message", "create", Store(), "Inbox", "--json", WriteFile("m.json", json)});
    };
    const Result huge = create(R"({"props": {"PR_IMPORTANCE": 1e400}})");
    EXPECT_EQ(huge.code, 2);
    EXPECT_NE(huge.err.find("too large"), std::string::npos) << huge.err;
    EXPECT_EQ(huge.err.find("[json.exception"), std::string::npos) << huge.err;
    EXPECT_EQ(create(R"({"props": {"PR_IMPORTANCE": 18446744073709551615}})").code, 2);
    EXPECT_EQ(create(R"({"named": [{"set": "PSETID_Task", "id": 4294967296, "type": "long", "value": 1}]})").code, 2);
    const Result nul = create(R"({"subject": "before\u0000after"})");
    EXPECT_EQ(nul.code, 2);
    EXPECT_NE(nul.err.find("NUL"), std::string::npos) << nul.err;
    EXPECT_EQ(create(R"({"props": {"PR_BODY": "a\u0000b"}})").code, 2);
    EXPECT_EQ(create(R"({"recipients": [{"name": ""}]})").code, 2);
    EXPECT_EQ(Run({"message", "create", Store(), "Inbox", "--to", ""}).code, 2);
    EXPECT_EQ(Run({"message", "create", Store(), "Inbox", "--to", ":ann@example.com"}).code, 2);
    EXPECT_EQ(Run({"message", "create", Store(), "Inbox", "--named", "PSETID_Task/#4294967296/long=1"}).code, 2);
    EXPECT_EQ(CountMessages("Inbox"), 0u);
}

TEST_F(AdminTool, ADamagedRegistryIsNamedAsEverywhere)
{
    ASSERT_EQ(Run({"profile", "create", "Work"}).code, 0);
    const auto registry = root.path() / "registry.db";
    std::ofstream(registry, std::ios::binary | std::ios::trunc) << "no registry at all, but not empty either";
    const Result r = Run({"profile", "list"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("The configuration registry database is corrupt."), std::string::npos) << r.err;
}
