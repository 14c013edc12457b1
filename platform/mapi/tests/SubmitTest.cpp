// The address book's one-off recipients and the submission of mail: spool file, sendmail
// hand-off, filing in Sent Items, and failures that leave the message where it was.
#include "MapiTestUtil.h"

#include "base/Utf.h"
#include "mapi/Mapi.h"
#include "mapi/MailComposer.h"
#include "mapi/ProfileRegistry.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

using namespace mapitest;
namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<fs::path> Spooled()
{
    std::vector<fs::path> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(platform::SpoolDirectory(), ec))
        out.push_back(e.path());
    return out;
}

// An address list entry built as a caller builds one: its own MAPI block.
void SetEntry(ADRENTRY& e, const std::vector<SPropValue>& values)
{
    void* block = nullptr;
    ASSERT_EQ(MAPIAllocateBuffer(ULONG(sizeof(SPropValue) * values.size()), &block), S_OK);
    e.lpProps = static_cast<LPSPropValue>(block);
    e.cValues = ULONG(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        ASSERT_EQ(PropCopyMore(&e.lpProps[i], const_cast<SPropValue*>(&values[i]), MAPIAllocateMore, block), S_OK);
}

const SPropValue* Find(const ADRENTRY& e, ULONG tag)
{
    return PpropFindProp(e.lpProps, e.cValues, tag);
}

SPropValue Str(ULONG tag, const char* s)
{
    SPropValue v{};
    v.ulPropTag = tag;
    v.Value.lpszA = const_cast<char*>(s);
    return v;
}

SPropValue Num(ULONG tag, LONG n)
{
    SPropValue v{};
    v.ulPropTag = tag;
    v.Value.l = n;
    return v;
}

class SubmitTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        unsetenv("PLATFORM_SENDMAIL");
        LogOn(session);
        if (HasFatalFailure())
            return;
        ASSERT_EQ(session->OpenAddressBook(0, nullptr, AB_NO_DIALOG, book.put()), S_OK);
        outbox = OpenAs<IMAPIFolder>(store.get(), GetBin(store.get(), PR_IPM_OUTBOX_ENTRYID));
        sent = OpenAs<IMAPIFolder>(store.get(), GetBin(store.get(), PR_IPM_SENTMAIL_ENTRYID));
    }
    void TearDown() override
    {
        unsetenv("PLATFORM_SENDMAIL");
        book = nullptr;
        if (session)
            session->Logoff(0, 0, 0);
        session = nullptr;
        MAPIUninitialize();
    }

    ULONG Count(IMAPIFolder* folder)
    {
        ComPtr<IMAPITable> t;
        EXPECT_EQ(folder->GetContentsTable(0, t.put()), S_OK);
        ULONG n = 0;
        EXPECT_EQ(t->GetRowCount(0, &n), S_OK);
        return n;
    }

    // The reminder mail's steps: a message in the Outbox addressed to one SMTP recipient.
    ComPtr<IMessage> Compose(const char* address, const char* subject, const char* body, bool sentMail = true)
    {
        ComPtr<IMessage> msg;
        EXPECT_EQ(outbox->CreateMessage(nullptr, 0, msg.put()), S_OK);
        ULONG cb = 0;
        LPENTRYID eid = nullptr;
        EXPECT_EQ(book->CreateOneOff(const_cast<char*>(address), const_cast<char*>("SMTP"),
                                     const_cast<char*>(address), 0, &cb, &eid),
                  S_OK);
        std::vector<char> buf(CbNewADRLIST(1));
        auto* list = reinterpret_cast<LPADRLIST>(buf.data());
        list->cRows = 1;
        SPropValue entry{};
        entry.ulPropTag = PR_ENTRYID;
        entry.Value.bin = {cb, reinterpret_cast<LPBYTE>(eid)};
        SetEntry(list->aRow[0], {Str(PR_DISPLAY_NAME_A, address), Str(PR_ADDRTYPE_A, "SMTP"),
                                 Str(PR_EMAIL_ADDRESS_A, address), Num(PR_RECIPIENT_TYPE, MAPI_TO), entry});
        MAPIFreeBuffer(eid);
        EXPECT_EQ(book->ResolveName(0, 0, nullptr, list), S_OK);
        EXPECT_EQ(msg->ModifyRecipients(MODRECIP_ADD, list), S_OK);
        MAPIFreeBuffer(list->aRow[0].lpProps);
        Bytes sentId = GetBin(store.get(), PR_IPM_SENTMAIL_ENTRYID);
        std::vector<SPropValue> props = {Str(PR_SUBJECT_A, subject), Str(PR_BODY_A, body)};
        if (sentMail) {
            SPropValue s{};
            s.ulPropTag = PR_SENTMAIL_ENTRYID;
            s.Value.bin = {ULONG(sentId.size()), reinterpret_cast<LPBYTE>(sentId.data())};
            props.push_back(s);
        }
        EXPECT_EQ(msg->SetProps(ULONG(props.size()), props.data(), nullptr), S_OK);
        return msg;
    }

    ComPtr<IMAPISession> session;
    ComPtr<IAddrBook> book;
    ComPtr<IMAPIFolder> outbox, sent;
};

} // namespace

TEST_F(SubmitTest, SubmittedMailIsSpooledAndFiledInSentItems)
{
    auto msg = Compose("anna@example.org", "Reminder: Meeting", "Subject:  Meeting\nLocation: Room 1\n");
    ASSERT_EQ(msg->SubmitMessage(0), S_OK);
    const auto files = Spooled();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].extension(), ".eml");
    const std::string text = ReadAll(files[0]);
    EXPECT_NE(text.find("\r\nTo: anna@example.org\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nSubject: Reminder: Meeting\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nMIME-Version: 1.0\r\n"), std::string::npos);
    EXPECT_EQ(text.rfind("Date: ", 0), 0u);
    EXPECT_NE(text.find("\r\n\r\nSubject:  Meeting\r\nLocation: Room 1\r\n"), std::string::npos);

    EXPECT_EQ(Count(outbox.get()), 0u);
    ASSERT_EQ(Count(sent.get()), 1u);
    ComPtr<IMAPITable> t;
    ASSERT_EQ(sent->GetContentsTable(0, t.put()), S_OK);
    SizedSPropTagArray(3, cols) = {3, {PR_SUBJECT_A, PR_MESSAGE_FLAGS, PR_INTERNET_MESSAGE_ID_A}};
    LPSRowSet rows = nullptr;
    ASSERT_EQ(HrQueryAllRows(t.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr, 0, &rows), S_OK);
    EXPECT_STREQ(rows->aRow[0].lpProps[0].Value.lpszA, "Reminder: Meeting");
    EXPECT_TRUE(rows->aRow[0].lpProps[1].Value.l & MSGFLAG_READ);
    EXPECT_FALSE(rows->aRow[0].lpProps[1].Value.l & MSGFLAG_UNSENT);
    ASSERT_EQ(rows->aRow[0].lpProps[2].ulPropTag, PR_INTERNET_MESSAGE_ID_A);
    EXPECT_NE(text.find(std::string("\r\nMessage-ID: ") + rows->aRow[0].lpProps[2].Value.lpszA + "\r\n"),
              std::string::npos);
    FreeProws(rows);
}

TEST_F(SubmitTest, SendmailGetsTheFileAndTheRecipients)
{
    const fs::path piped = root.path() / "piped.eml";
    const fs::path args = root.path() / "args.txt";
    const std::string command = "f() { cat > '" + piped.string() + "'; printf '%s\\n' \"$@\" > '" + args.string() +
                                "'; }; f";
    setenv("PLATFORM_SENDMAIL", command.c_str(), 1);
    auto msg = Compose("bob@example.org", "Hi", "Hello");
    // A second recipient on Bcc: in the envelope, not in the headers.
    std::vector<char> buf(CbNewADRLIST(1));
    auto* list = reinterpret_cast<LPADRLIST>(buf.data());
    list->cRows = 1;
    SetEntry(list->aRow[0], {Str(PR_DISPLAY_NAME_A, "Hidden <hidden@example.org>"), Num(PR_RECIPIENT_TYPE, MAPI_BCC)});
    ASSERT_EQ(book->ResolveName(0, 0, nullptr, list), S_OK);
    ASSERT_EQ(msg->ModifyRecipients(MODRECIP_ADD, list), S_OK);
    MAPIFreeBuffer(list->aRow[0].lpProps);
    ASSERT_EQ(msg->SubmitMessage(0), S_OK);
    const auto files = Spooled();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(ReadAll(piped), ReadAll(files[0]));
    EXPECT_EQ(ReadAll(args), "bob@example.org\nhidden@example.org\n");
    EXPECT_EQ(ReadAll(files[0]).find("hidden@"), std::string::npos);
}

TEST_F(SubmitTest, FailuresComeBackAndLeaveTheMessageInTheOutbox)
{
    // No recipients.
    ComPtr<IMessage> empty;
    ASSERT_EQ(outbox->CreateMessage(nullptr, 0, empty.put()), S_OK);
    EXPECT_EQ(empty->SubmitMessage(0), MAPI_E_NO_RECIPIENTS);
    // The transfer agent refuses.
    setenv("PLATFORM_SENDMAIL", "cat > /dev/null; exit 3", 1);
    auto msg = Compose("carl@example.org", "Refused", "text");
    EXPECT_EQ(msg->SubmitMessage(0), MAPI_E_NETWORK_ERROR);
    EXPECT_TRUE(Spooled().empty());
    EXPECT_EQ(Count(outbox.get()), 1u); // saved, unsent
    EXPECT_EQ(Count(sent.get()), 0u);
    // A Sent Items entry ID that names no folder of this store: nothing leaves.
    unsetenv("PLATFORM_SENDMAIL");
    auto bad = Compose("dora@example.org", "Bad folder", "text", false);
    Bytes msgId = GetBin(msg.get(), PR_ENTRYID); // a message, not a folder
    SPropValue s{};
    s.ulPropTag = PR_SENTMAIL_ENTRYID;
    s.Value.bin = {ULONG(msgId.size()), reinterpret_cast<LPBYTE>(msgId.data())};
    ASSERT_EQ(HrSetOneProp(bad.get(), &s), S_OK);
    EXPECT_EQ(bad->SubmitMessage(0), MAPI_E_INVALID_ENTRYID);
    EXPECT_TRUE(Spooled().empty());
    // A recipient without an SMTP address.
    auto odd = Compose("erik@example.org", "Odd", "text");
    std::vector<char> buf(CbNewADRLIST(1));
    auto* list = reinterpret_cast<LPADRLIST>(buf.data());
    list->cRows = 1;
    SetEntry(list->aRow[0], {Str(PR_DISPLAY_NAME_A, "Fax"), Str(PR_ADDRTYPE_A, "FAX"), Str(PR_EMAIL_ADDRESS_A, "123"),
                             Num(PR_RECIPIENT_TYPE, MAPI_TO)});
    ASSERT_EQ(odd->ModifyRecipients(MODRECIP_ADD, list), S_OK);
    MAPIFreeBuffer(list->aRow[0].lpProps);
    EXPECT_EQ(odd->SubmitMessage(0), MAPI_E_NOT_FOUND);
    EXPECT_TRUE(Spooled().empty());
}

// What the message says after a failed submission.
std::string LastError(IMessage* msg, HRESULT hr)
{
    LPMAPIERROR error = nullptr;
    EXPECT_EQ(msg->GetLastError(hr, 0, &error), S_OK);
    const std::string text = error && error->lpszError ? error->lpszError : "";
    MAPIFreeBuffer(error);
    return text;
}

TEST_F(SubmitTest, AFailedSubmissionSaysWhy)
{
    setenv("PLATFORM_SENDMAIL", "cat > /dev/null; echo 'relay access denied' >&2; exit 3", 1);
    auto msg = Compose("carl@example.org", "Refused", "text");
    ASSERT_EQ(msg->SubmitMessage(0), MAPI_E_NETWORK_ERROR);
    const std::string why = LastError(msg.get(), MAPI_E_NETWORK_ERROR);
    EXPECT_NE(why.find("ended with exit status 3: relay access denied"), std::string::npos) << why;
    EXPECT_NE(why.find("exit 3"), std::string::npos) << why; // the command is named
    // Another code asks about another failure: nothing to say.
    EXPECT_EQ(LastError(msg.get(), MAPI_E_CALL_FAILED), "");
    ComPtr<IMessage> empty;
    ASSERT_EQ(outbox->CreateMessage(nullptr, 0, empty.put()), S_OK);
    ASSERT_EQ(empty->SubmitMessage(0), MAPI_E_NO_RECIPIENTS);
    EXPECT_EQ(LastError(empty.get(), MAPI_E_NO_RECIPIENTS), "the message has no recipients");
    for (const auto& entry : fs::directory_iterator(platform::SpoolDirectory()))
        ADD_FAILURE() << "left in the spool: " << entry.path();
}

// A mail command would take such an address for one of its options.
TEST_F(SubmitTest, RecipientAddressesBeginningWithADashAreRefused)
{
    const fs::path args = root.path() / "args.txt";
    const std::string command = "f() { cat > /dev/null; printf '%s\\n' \"$@\" > '" + args.string() + "'; }; f";
    setenv("PLATFORM_SENDMAIL", command.c_str(), 1);
    auto msg = Compose("-oQ/tmp/q@example.org", "Dash", "text");
    EXPECT_EQ(msg->SubmitMessage(0), MAPI_E_INVALID_PARAMETER);
    EXPECT_NE(LastError(msg.get(), MAPI_E_INVALID_PARAMETER).find("\"-oQ/tmp/q@example.org\" begins with '-'"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(args));
    EXPECT_TRUE(Spooled().empty());
    EXPECT_EQ(Count(sent.get()), 0u);
}

TEST_F(SubmitTest, DeleteAfterSubmitKeepsNoCopyAndAttachmentsAreEncoded)
{
    auto msg = Compose("fritz@example.org", "Grüße aus Köln", "Zeile eins\nZweite Zeile mit Ümlaut ", false);
    SPropValue del{};
    del.ulPropTag = PR_DELETE_AFTER_SUBMIT;
    del.Value.b = 1;
    ASSERT_EQ(HrSetOneProp(msg.get(), &del), S_OK);
    ComPtr<IAttach> att;
    ULONG num = 0;
    ASSERT_EQ(msg->CreateAttach(nullptr, 0, &num, att.put()), S_OK);
    const std::string data = "\x01\x02\x03binary";
    SPropValue props[3] = {};
    props[0] = Num(PR_ATTACH_METHOD, ATTACH_BY_VALUE);
    props[1] = Str(PR_ATTACH_LONG_FILENAME_A, "notes.bin");
    props[2].ulPropTag = PR_ATTACH_DATA_BIN;
    props[2].Value.bin = {ULONG(data.size()), (LPBYTE)data.data()};
    ASSERT_EQ(att->SetProps(3, props, nullptr), S_OK);
    ASSERT_EQ(att->SaveChanges(0), S_OK);
    ASSERT_EQ(msg->SubmitMessage(0), S_OK);
    EXPECT_EQ(Count(outbox.get()), 0u);
    EXPECT_EQ(Count(sent.get()), 0u);
    const auto files = Spooled();
    ASSERT_EQ(files.size(), 1u);
    const std::string text = ReadAll(files[0]);
    EXPECT_NE(text.find("Subject: =?UTF-8?B?" + mapi::MailComposer::Base64("Grüße aus Köln") + "?="),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Content-Type: multipart/mixed; boundary="), std::string::npos);
    EXPECT_NE(text.find("Content-Transfer-Encoding: quoted-printable\r\n\r\nZeile eins\r\nZweite Zeile mit =C3=9Cmlaut=20"),
              std::string::npos);
    EXPECT_NE(text.find("Content-Disposition: attachment; filename=\"notes.bin\"\r\nContent-Transfer-Encoding: "
                        "base64\r\n\r\n" +
                        mapi::MailComposer::Base64(data) + "\r\n"),
              std::string::npos);
}

TEST_F(SubmitTest, ResolveNameTurnsTypedAddressesIntoOneOffs)
{
    std::vector<char> buf(CbNewADRLIST(4));
    auto* list = reinterpret_cast<LPADRLIST>(buf.data());
    list->cRows = 4;
    SetEntry(list->aRow[0], {Str(PR_DISPLAY_NAME_A, "Anna Berg <anna@example.org>"), Num(PR_RECIPIENT_TYPE, MAPI_TO)});
    SetEntry(list->aRow[1], {Str(PR_DISPLAY_NAME_A, "SMTP:bob@example.org"), Num(PR_RECIPIENT_TYPE, MAPI_CC)});
    SetEntry(list->aRow[2], {Str(PR_DISPLAY_NAME_A, "nobody here"), Num(PR_RECIPIENT_TYPE, MAPI_TO)});
    list->aRow[3].lpProps = nullptr; // skipped
    list->aRow[3].cValues = 0;
    EXPECT_EQ(book->ResolveName(0, MAPI_UNICODE, nullptr, list), MAPI_E_NOT_FOUND);

    const ADRENTRY& anna = list->aRow[0];
    ASSERT_TRUE(Find(anna, PR_DISPLAY_NAME_W));
    EXPECT_EQ(std::u16string(Find(anna, PR_DISPLAY_NAME_W)->Value.lpszW), u"Anna Berg");
    EXPECT_EQ(std::u16string(Find(anna, PR_EMAIL_ADDRESS_W)->Value.lpszW), u"anna@example.org");
    EXPECT_EQ(std::u16string(Find(anna, PR_ADDRTYPE_W)->Value.lpszW), u"SMTP");
    EXPECT_EQ(Find(anna, PR_RECIPIENT_TYPE)->Value.l, LONG(MAPI_TO));
    EXPECT_EQ(Find(anna, PR_OBJECT_TYPE)->Value.l, LONG(MAPI_MAILUSER));
    const SPropValue* key = Find(anna, PR_SEARCH_KEY);
    ASSERT_TRUE(key);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(key->Value.bin.lpb)), "SMTP:ANNA@EXAMPLE.ORG");
    EXPECT_EQ(std::u16string(Find(list->aRow[1], PR_EMAIL_ADDRESS_W)->Value.lpszW), u"bob@example.org");
    EXPECT_FALSE(Find(list->aRow[2], PR_ENTRYID)); // left as it was
    EXPECT_EQ(list->aRow[2].cValues, 2u);

    // The one-off opens as a mail user, and compares without regard to case.
    const SPropValue* eid = Find(anna, PR_ENTRYID);
    ASSERT_TRUE(eid);
    ComPtr<IUnknown> unk;
    ULONG type = 0;
    ASSERT_EQ(book->OpenEntry(eid->Value.bin.cb, (LPENTRYID)eid->Value.bin.lpb, nullptr, 0, &type, unk.put()), S_OK);
    EXPECT_EQ(type, ULONG(MAPI_MAILUSER));
    auto* user = static_cast<IMailUser*>(unk.get());
    EXPECT_EQ(GetText(user, PR_EMAIL_ADDRESS), "anna@example.org");
    EXPECT_EQ(GetText(user, PR_DISPLAY_NAME), "Anna Berg");
    ULONG cb = 0;
    LPENTRYID upper = nullptr;
    char16_t name[] = u"A. B.", adrType[] = u"smtp", address[] = u"ANNA@example.org";
    ASSERT_EQ(book->CreateOneOff(reinterpret_cast<LPTSTR>(name), reinterpret_cast<LPTSTR>(adrType),
                                 reinterpret_cast<LPTSTR>(address), MAPI_UNICODE, &cb, &upper),
              S_OK);
    ULONG same = 0;
    ASSERT_EQ(book->CompareEntryIDs(eid->Value.bin.cb, (LPENTRYID)eid->Value.bin.lpb, cb, upper, 0, &same), S_OK);
    EXPECT_EQ(same, 1u);
    MAPIFreeBuffer(upper);
    BYTE junk[8] = {1, 2, 3};
    EXPECT_EQ(book->OpenEntry(sizeof junk, (LPENTRYID)junk, nullptr, 0, &type, unk.put()), MAPI_E_UNKNOWN_ENTRYID);
    EXPECT_EQ(book->CreateOneOff(nullptr, nullptr, const_cast<char*>("x"), 0, &cb, &upper), MAPI_E_INVALID_PARAMETER);
    for (ULONG i = 0; i < 3; ++i)
        MAPIFreeBuffer(list->aRow[i].lpProps);
}

TEST(MailComposer, LongLinesAreSoftBrokenAndDatesAreUniversal)
{
    const std::string line(200, 'x');
    const std::string qp = mapi::MailComposer::QuotedPrintable(line + "=");
    for (std::size_t start = 0, end; start < qp.size(); start = end + 2) {
        end = qp.find("\r\n", start);
        if (end == std::string::npos)
            end = qp.size();
        EXPECT_LE(end - start, 76u);
    }
    EXPECT_TRUE(qp.ends_with("=3D"));
    // 2026-12-09 05:00:00 UTC as a FILETIME count.
    const std::int64_t ft = (1796792400LL * 10000000LL) + 116444736000000000LL;
    EXPECT_EQ(mapi::MailComposer::DateText(ft), "Wed, 09 Dec 2026 05:00:00 +0000");
    EXPECT_EQ(mapi::MailComposer::EncodeHeaderText("plain"), "plain");
}
