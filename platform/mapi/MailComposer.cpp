#include "mapi/MailComposer.h"

#include "base/Utf.h"
#include "mapi/MapiCodes.h"
#include "mapi/MapiTags.h"
#include "mapi/OneOffAddress.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <strings.h>
#include <ctime>
#include <random>
#include <unistd.h>

namespace mapi {

namespace {

std::string TextOf(const PropMap& props, ULONG tag)
{
    const PropValue* v = props.Find(PROP_ID(tag));
    if (!v || v->type() != PT_UNICODE)
        return {};
    return platform::Utf16ToUtf8(v->str());
}

bool IsPlainAscii(const std::string& s)
{
    for (unsigned char c : s)
        if (c < 0x20 || c > 0x7e)
            return false;
    return true;
}

std::string HostName()
{
    char name[256] = "";
    if (gethostname(name, sizeof name - 1) != 0 || !name[0])
        return "localhost";
    return name;
}

// "Name" <address>, or the bare address when there is no other name.
std::string Mailbox(const std::string& name, const std::string& address)
{
    if (name.empty() || name == address)
        return address;
    std::string shown;
    if (!IsPlainAscii(name)) {
        shown = MailComposer::EncodeHeaderText(name);
    } else {
        shown = "\"";
        for (char c : name) {
            if (c == '"' || c == '\\')
                shown += '\\';
            shown += c;
        }
        shown += '"';
    }
    return shown + " <" + address + ">";
}

// The SMTP address of a recipient: its e-mail address when its type is SMTP, else a typed
// address in its display name.
bool RecipientAddress(const PropMap& r, std::string& name, std::string& address)
{
    name = TextOf(r, PR_DISPLAY_NAME_W);
    const std::string type = TextOf(r, PR_ADDRTYPE_W);
    address = TextOf(r, PR_EMAIL_ADDRESS_W);
    if (!address.empty() && (type.size() == 4 && ::strncasecmp(type.c_str(), "SMTP", 4) == 0)) {
        OneOffAddress check;
        return OneOffAddress::FromSmtpText(platform::Utf8ToUtf16(address), check);
    }
    OneOffAddress typed;
    if (type.empty() && OneOffAddress::FromSmtpText(platform::Utf8ToUtf16(name), typed)) {
        name = platform::Utf16ToUtf8(typed.name);
        address = platform::Utf16ToUtf8(typed.address);
        return true;
    }
    return false;
}

std::string Folded(const std::string& field, const std::vector<std::string>& items)
{
    std::string out = field + ": ";
    std::size_t lineLength = out.size();
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::string item = items[i] + (i + 1 < items.size() ? "," : "");
        if (i > 0) {
            if (lineLength + 1 + item.size() > 76) {
                out += "\r\n ";
                lineLength = 1;
            } else {
                out += ' ';
                ++lineLength;
            }
        }
        out += item;
        lineLength += item.size();
    }
    return out + "\r\n";
}

std::string Lines76(const std::string& s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); i += 76)
        out += s.substr(i, 76) + "\r\n";
    return out;
}

// Body text with CRLF line ends.
std::string NormalisedLines(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (text[i] == '\n') {
            out += "\r\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string BodyPart(const std::string& body)
{
    const std::string text = NormalisedLines(body);
    bool sevenBit = true;
    std::size_t lineLength = 0;
    for (unsigned char c : text) {
        if (c == '\n') {
            lineLength = 0;
            continue;
        }
        if (++lineLength > 998 || c > 0x7e || (c < 0x20 && c != '\r' && c != '\t'))
            sevenBit = false;
    }
    std::string out = "Content-Type: text/plain; charset=UTF-8\r\n";
    if (sevenBit)
        return out + "Content-Transfer-Encoding: 7bit\r\n\r\n" + text + (text.ends_with("\r\n") ? "" : "\r\n");
    return out + "Content-Transfer-Encoding: quoted-printable\r\n\r\n" + MailComposer::QuotedPrintable(text) + "\r\n";
}

} // namespace

std::string MailComposer::Base64(const std::string& data)
{
    static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < data.size(); i += 3) {
        const unsigned a = static_cast<unsigned char>(data[i]);
        const unsigned b = i + 1 < data.size() ? static_cast<unsigned char>(data[i + 1]) : 0;
        const unsigned c = i + 2 < data.size() ? static_cast<unsigned char>(data[i + 2]) : 0;
        const unsigned n = (a << 16) | (b << 8) | c;
        out += table[(n >> 18) & 63];
        out += table[(n >> 12) & 63];
        out += i + 1 < data.size() ? table[(n >> 6) & 63] : '=';
        out += i + 2 < data.size() ? table[n & 63] : '=';
    }
    return out;
}

std::string MailComposer::EncodeHeaderText(const std::string& utf8)
{
    if (IsPlainAscii(utf8))
        return utf8;
    // Encoded words of at most 45 bytes each (60 characters of base64), never splitting a
    // character.
    std::string out;
    std::size_t i = 0;
    while (i < utf8.size()) {
        std::size_t end = std::min(utf8.size(), i + 45);
        while (end < utf8.size() && end > i && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
            --end;
        if (!out.empty())
            out += "\r\n ";
        out += "=?UTF-8?B?" + Base64(utf8.substr(i, end - i)) + "?=";
        i = end;
    }
    return out;
}

std::string MailComposer::QuotedPrintable(const std::string& text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    std::size_t lineLength = 0;
    auto put = [&](const std::string& piece) {
        if (lineLength + piece.size() > 75) {
            out += "=\r\n";
            lineLength = 0;
        }
        out += piece;
        lineLength += piece.size();
    };
    // A blank before a line end would be lost in transport: it is encoded.
    auto encodeTrailingBlank = [&] {
        if (!out.empty() && (out.back() == ' ' || out.back() == '\t')) {
            const char last = out.back();
            out.pop_back();
            out += '=';
            out += hex[last >> 4];
            out += hex[last & 15];
        }
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            encodeTrailingBlank();
            out += "\r\n";
            lineLength = 0;
            ++i;
        } else if ((c >= 33 && c <= 126 && c != '=') || c == ' ' || c == '\t') {
            put(std::string(1, static_cast<char>(c)));
        } else {
            put(std::string{'=', hex[c >> 4], hex[c & 15]});
        }
    }
    encodeTrailingBlank();
    return out;
}

std::string MailComposer::DateText(std::int64_t fileTime)
{
    const std::time_t t = static_cast<std::time_t>((fileTime - 116444736000000000LL) / 10000000LL);
    std::tm tm{};
    gmtime_r(&t, &tm);
    static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d +0000", days[tm.tm_wday], tm.tm_mday,
                  months[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

HRESULT MailComposer::Compose(const PropMap& message, const std::vector<SubObject>& recipients,
                              const std::vector<SubObject>& attachments, std::int64_t now, ComposedMail& out)
{
    std::vector<std::string> to, cc;
    std::vector<std::string> envelope;
    for (const auto& r : recipients) {
        std::string name, address;
        if (!RecipientAddress(r.props, name, address))
            return MAPI_E_NOT_FOUND;
        const PropValue* type = r.props.Find(PROP_ID(PR_RECIPIENT_TYPE));
        const ULONG kind = type ? static_cast<ULONG>(type->num()) & ~MAPI_SUBMITTED : MAPI_TO;
        if (kind == MAPI_TO)
            to.push_back(Mailbox(name, address));
        else if (kind == MAPI_CC)
            cc.push_back(Mailbox(name, address));
        else if (kind != MAPI_BCC)
            continue; // the originator row is not a recipient
        envelope.push_back(address);
    }
    if (envelope.empty())
        return MAPI_E_NO_RECIPIENTS;

    std::string fromAddress = TextOf(message, PR_SENDER_EMAIL_ADDRESS_W);
    std::string fromName = TextOf(message, PR_SENDER_NAME_W);
    if (fromAddress.empty()) {
        fromAddress = TextOf(message, PR_SENT_REPRESENTING_EMAIL_ADDRESS_W);
        fromName = TextOf(message, PR_SENT_REPRESENTING_NAME_W);
    }
    if (fromAddress.find('@') == std::string::npos) {
        const char* user = std::getenv("USER");
        fromAddress = std::string(user && *user ? user : "user") + "@" + HostName();
    }

    std::random_device rd;
    char unique[40];
    std::snprintf(unique, sizeof unique, "%016llx.%08x", static_cast<unsigned long long>(now), rd());
    out.messageId = std::string("<") + unique + "@" + HostName() + ">";

    std::string head;
    head += "Date: " + DateText(now) + "\r\n";
    head += "From: " + Mailbox(fromName, fromAddress) + "\r\n";
    if (!to.empty())
        head += Folded("To", to);
    if (!cc.empty())
        head += Folded("Cc", cc);
    head += "Subject: " + EncodeHeaderText(TextOf(message, PR_SUBJECT_W)) + "\r\n";
    head += "Message-ID: " + out.messageId + "\r\n";
    head += "MIME-Version: 1.0\r\n";

    const std::string body = TextOf(message, PR_BODY_W);
    std::vector<const SubObject*> files;
    for (const auto& a : attachments) {
        const PropValue* method = a.props.Find(PROP_ID(PR_ATTACH_METHOD));
        const PropValue* data = a.props.Find(PROP_ID(PR_ATTACH_DATA_BIN));
        if ((method && method->num() != ATTACH_BY_VALUE) || !data || data->type() != PT_BINARY)
            return MAPI_E_NO_SUPPORT;
        files.push_back(&a);
    }
    if (files.empty()) {
        out.text = head + BodyPart(body);
    } else {
        const std::string boundary = std::string("=_part_") + unique;
        std::string text = head + "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
        text += "--" + boundary + "\r\n" + BodyPart(body);
        for (const SubObject* a : files) {
            std::string name = TextOf(a->props, PR_ATTACH_LONG_FILENAME_W);
            if (name.empty())
                name = TextOf(a->props, PR_ATTACH_FILENAME_W);
            if (name.empty())
                name = "attachment";
            std::string mime = TextOf(a->props, PR_ATTACH_MIME_TAG_W);
            if (mime.empty() || !IsPlainAscii(mime))
                mime = "application/octet-stream";
            std::string disposition;
            if (IsPlainAscii(name) && name.find('"') == std::string::npos) {
                disposition = "attachment; filename=\"" + name + "\"";
            } else {
                disposition = "attachment; filename*=UTF-8''";
                for (unsigned char c : name) {
                    if (std::isalnum(c) || c == '.' || c == '-' || c == '_')
                        disposition += static_cast<char>(c);
                    else {
                        char esc[4];
                        std::snprintf(esc, sizeof esc, "%%%02X", c);
                        disposition += esc;
                    }
                }
            }
            text += "\r\n--" + boundary + "\r\n";
            text += "Content-Type: " + mime + "\r\n";
            text += "Content-Disposition: " + disposition + "\r\n";
            text += "Content-Transfer-Encoding: base64\r\n\r\n";
            text += Lines76(Base64(a->props.Find(PROP_ID(PR_ATTACH_DATA_BIN))->bin()));
        }
        text += "\r\n--" + boundary + "--\r\n";
        out.text = std::move(text);
    }
    out.envelope = std::move(envelope);
    return S_OK;
}

} // namespace mapi
