// Send and receive: the Outbox's messages go to the MAPI layer's submission after ItemSend.
#include "HostFixture.h"

#include "base/PlatformRoot.h"

#include <cstdlib>

namespace {

class SendReceive : public HostFixture {
protected:
    // A message in the default store's Outbox, made with the store administration tool.
    void CreateOutboxMessage(const std::string& options)
    {
        const std::string command = std::string(MAPIADMIN_PROGRAM) + " message create '" +
                                    (platform::StoresDirectory() / "mailbox.store").string() + "' Outbox " + options +
                                    " > /dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }

    std::size_t SpoolFiles() const
    {
        std::error_code ec;
        std::size_t n = 0;
        for (const auto& e : std::filesystem::directory_iterator(platform::SpoolDirectory(), ec))
            n += e.path().extension() == ".eml";
        return n;
    }
};

} // namespace

TEST_F(SendReceive, OutboxMessagesAreSubmittedAndSpooled)
{
    CreateOutboxMessage("--subject 'Hello' --body 'Text' --class IPM.Note --to 'Ann:ann@example.com'");
    CreateOutboxMessage("--subject 'Nobody' --class IPM.Note");
    auto program = StartHost();
    out.str("");
    program->Execute("click id 5577");
    const auto lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 4u) << out.str();
    EXPECT_EQ(lines[1], "command SendReceive");
    EXPECT_EQ(lines[2].rfind("not sent: ", 0), 0u); // the message without recipients stays, and says why
    EXPECT_NE(lines[2].find(": the message has no recipients"), std::string::npos) << lines[2];
    EXPECT_EQ(lines[3], "send/receive: 1 sent, 0 held back, 1 failed");
    EXPECT_EQ(SpoolFiles(), 1u);

    out.str("");
    program->Execute("click id 7095");
    EXPECT_EQ(Lines(out.str()).back(), "send/receive: 0 sent, 0 held back, 1 failed");
    EXPECT_EQ(SpoolFiles(), 1u);
}

TEST_F(SendReceive, AnItemSendSinkMayHoldAMessageBack)
{
    CreateOutboxMessage("--subject 'Hello' --class IPM.Note --to 'Ann:ann@example.com'");
    RegisterAddIn(); // its application sink logs ItemSend (0xF002) and cancels when told to
    SetDword(HKEY_CURRENT_USER, "Software\\HostTestAddIn", "CancelClicks", 1);
    {
        auto program = StartHost();
        out.str("");
        program->Execute("command SendReceiveAll");
        EXPECT_EQ(Lines(out.str()).back(), "send/receive: 0 sent, 1 held back, 0 failed");
        EXPECT_EQ(AddInLog().back(), "app f002 cancelled");
        EXPECT_EQ(SpoolFiles(), 0u);
    }
    SetDword(HKEY_CURRENT_USER, "Software\\HostTestAddIn", "CancelClicks", 0);
    auto program = StartHost();
    out.str("");
    program->Execute("command SendReceiveAll");
    EXPECT_EQ(Lines(out.str()).back(), "send/receive: 1 sent, 0 held back, 0 failed");
    EXPECT_EQ(AddInLog().back(), "app f002");
    EXPECT_EQ(SpoolFiles(), 1u);
}
