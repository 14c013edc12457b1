// The reminder mails, sent through the headless host in this process: one spool file per due
// copy, each copy marked once, whatever became of its mail.
#include "EngineFixture.h"

#include "base/PlatformRoot.h"
#include "base/UiLanguage.h"
#include "host/HostProgram.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace remindertest;

namespace {

class ReminderMailTest : public EngineFixture {
protected:
    void SetUp() override
    {
        EngineFixture::SetUp();
        if (HasFatalFailure())
            return;
        host::HostOptions options;
        options.headless = true;
        options.profile = "Work";
        program = std::make_unique<host::HostProgram>(options, out, err);
        ASSERT_TRUE(program->Start()) << err.str();
        holds.CacheOutlookApplication(static_cast<_Application*>(program->Application()));
        holds.CacheMapiSession(program->Session().Session());
        projects = NewFolder(Subtree(publicStore.get()).get(), "Projects");
        MarkFolder(u"Public Folders", projects.get(), RT_PUBLIC);
        SetSettingsDword("Mail", 1);
        SetSettingsString("MailAddress", "ann@example.com");
    }

    void TearDown() override
    {
        reminder = nullptr;
        holds.ReleaseApplication();
        holds.ReleaseSession();
        program.reset();
        unsetenv("PLATFORM_SENDMAIL");
        SetThreadUILanguage(0);
        EngineFixture::TearDown();
    }

    void DueItem(const char* subject, bool withDetails = true)
    {
        ItemPlan plan = Plan(subject);
        plan.signalTime = kNow - 10 * kMinute;
        plan.reminderTime = kMay1st10h;
        const Bytes id = NewItem(projects.get(), plan);
        if (!withDetails)
            return;
        Change(publicStore.get(), id, [](IMessage* message) {
            SPropValue body{};
            body.ulPropTag = PR_BODY_A;
            body.Value.lpszA = const_cast<char*>("Bring the figures.");
            EXPECT_EQ(HrSetOneProp(message, &body), S_OK);
            SPropValue location{};
            location.ulPropTag = CHANGE_PROP_TYPE(NamedTag(message, PSETID_Appointment, 0x8208, PT_STRING8), PT_STRING8);
            location.Value.lpszA = const_cast<char*>("Room 4");
            EXPECT_EQ(HrSetOneProp(message, &location), S_OK);
        });
    }

    // The spool's files, each as text.
    std::vector<std::string> Spooled()
    {
        std::vector<std::string> mails;
        if (!std::filesystem::exists(platform::SpoolDirectory()))
            return mails;
        for (const auto& entry : std::filesystem::directory_iterator(platform::SpoolDirectory())) {
            std::ifstream in(entry.path());
            std::stringstream text;
            text << in.rdbuf();
            mails.push_back(text.str());
        }
        std::sort(mails.begin(), mails.end());
        return mails;
    }

    std::size_t Marked()
    {
        std::size_t n = 0;
        for (const Copy& c : Copies())
            n += c.reminderMailSent.value_or(false) ? 1 : 0;
        return n;
    }

    static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

    std::ostringstream out, err;
    std::unique_ptr<host::HostProgram> program;
    CCacheHolds holds;
    ComPtr<IMAPIFolder> projects;
};

} // namespace

TEST_F(ReminderMailTest, EachDueCopyGetsOneMailAndIsMarked)
{
    DueItem("Review");
    DueItem("Budget");
    ItemPlan later = Plan("Later");
    later.signalTime = kNow + 60 * kMinute;
    NewItem(projects.get(), later);
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    Advance(10000);
    const auto mails = Spooled();
    ASSERT_EQ(mails.size(), 2u);
    const std::string& budget = Has(mails[0], "Budget") ? mails[0] : mails[1];
    EXPECT_TRUE(Has(budget, "Subject: Lumivane: Budget")) << budget;
    EXPECT_TRUE(Has(budget, "ann@example.com")) << budget;
    EXPECT_TRUE(Has(budget, "Subject:  Budget")) << budget;
    EXPECT_TRUE(Has(budget, "Date:     ")) << budget;
    EXPECT_TRUE(Has(budget, "Location: Room 4")) << budget;
    EXPECT_TRUE(Has(budget, "Bring the figures.")) << budget;
    EXPECT_EQ(Marked(), 2u);
    // The next ticks mail nothing again.
    Advance(20000);
    EXPECT_EQ(Spooled().size(), 2u);
    // The host sent its Outbox at once.
    EXPECT_TRUE(Has(out.str(), "command SendReceiveAll")) << out.str();
}

TEST_F(ReminderMailTest, TheMailSpeaksTheUsersLanguage)
{
    SetThreadUILanguage(1031);
    DueItem("Review");
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    Advance(10000);
    const auto mails = Spooled();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_TRUE(Has(mails[0], "Betreff:  Review")) << mails[0];
    EXPECT_TRUE(Has(mails[0], "Datum:    ")) << mails[0];
    EXPECT_TRUE(Has(mails[0], "Ort:      Room 4")) << mails[0];
}

TEST_F(ReminderMailTest, WithoutAnAddressOrWithMailOffNothingIsSent)
{
    DueItem("Review", false);
    SetSettingsString("MailAddress", "");
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    Advance(10000);
    EXPECT_TRUE(Spooled().empty());
    EXPECT_EQ(Marked(), 0u);
    SetSettingsString("MailAddress", "ann@example.com");
    SetSettingsDword("Mail", 0);
    Advance(10000);
    EXPECT_TRUE(Spooled().empty());
    EXPECT_EQ(Marked(), 0u);
}

TEST_F(ReminderMailTest, AMailThatCouldNotGoOutStillMarksItsCopy)
{
    setenv("PLATFORM_SENDMAIL", "false", 1);
    DueItem("Review", false);
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    Advance(10000);
    EXPECT_TRUE(Spooled().empty());
    EXPECT_EQ(Marked(), 1u);
}

TEST_F(ReminderMailTest, ACopyWhoseReminderIsOffGetsNoMail)
{
    // A recurring item without a reminder has a copy, with a signal time from its reminder time.
    ItemPlan off = Plan("Series");
    off.recurring = true;
    off.reminderSet = false;
    off.signalTime = kNow - 10 * kMinute;
    NewItem(projects.get(), off);
    DueItem("Review", false);
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    Advance(10000);
    const auto mails = Spooled();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_TRUE(Has(mails[0], "Lumivane: Review"));
    EXPECT_EQ(Marked(), 1u);
}
