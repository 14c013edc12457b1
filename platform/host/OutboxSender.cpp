#include "host/OutboxSender.h"

#include "base/Utf.h"
#include "host/MailItem.h"

#include <cstdio>

namespace host {

namespace {

std::string HexCode(HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(hr));
    return text;
}

// The code of a failed submission and what the message says went wrong.
std::string Why(IMessage* message, HRESULT hr)
{
    std::string text = HexCode(hr);
    LPMAPIERROR error = nullptr;
    if (SUCCEEDED(message->GetLastError(hr, 0, &error)) && error) {
        if (error->lpszError && *error->lpszError)
            text += ": " + std::string(error->lpszError);
        MAPIFreeBuffer(error);
    }
    return text;
}

} // namespace

OutboxSender::Result OutboxSender::SendAll(CHostApplication& application)
{
    Result result;
    HostSession& session = application.Session();
    std::vector<HostSession::StoreInfo> stores;
    if (FAILED(session.Stores(stores)))
        return result;
    for (const HostSession::StoreInfo& s : stores) {
        ComPtr<IMsgStore> store;
        Binary outboxId;
        if (FAILED(session.OpenStore(s.entryId, store)) || FAILED(session.DefaultFolderId(store.get(), 4, outboxId)))
            continue; // a store without an Outbox sends nothing
        ULONG type = 0;
        ComPtr<IUnknown> object;
        ComPtr<IMAPIFolder> outbox;
        ComPtr<IMAPITable> table;
        if (FAILED(session.OpenEntry(outboxId, &s.entryId, type, object)) || FAILED(object.As(outbox)) ||
            FAILED(outbox->GetContentsTable(0, table.put())))
            continue;
        SizedSPropTagArray(1, columns) = {1, {PR_ENTRYID}};
        LPSRowSet rows = nullptr;
        if (FAILED(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&columns), nullptr, nullptr, 0, &rows)))
            continue;
        for (ULONG i = 0; i < rows->cRows; ++i) {
            const SPropValue& p = rows->aRow[i].lpProps[0];
            if (p.ulPropTag != PR_ENTRYID)
                continue;
            const Binary id(p.Value.bin.lpb, p.Value.bin.lpb + p.Value.bin.cb);
            CMailItem* item = nullptr;
            HRESULT hr = application.OpenItem(id, s.entryId, &item);
            if (FAILED(hr)) {
                result.failures.push_back(HexText(id) + ": " + HexCode(hr));
                continue;
            }
            ComPtr<CMailItem> keep;
            keep.Attach(item);
            if (application.FireItemSend(static_cast<_MailItem*>(item))) {
                ++result.cancelled;
                continue;
            }
            hr = item->Message()->SubmitMessage(0);
            if (SUCCEEDED(hr))
                ++result.sent;
            else
                result.failures.push_back(HexText(id) + ": " + Why(item->Message(), hr));
        }
        FreeProws(rows);
    }
    return result;
}

} // namespace host
