// CBackFolderSink: watches the copies in the back folder and keeps the engine's next reminder
// current. It is advised on the back folder's associated contents, restricted to the copies;
// every change among them re-reads them all, offering the engine each copy's signal time whose
// reminder is set (the engine keeps the earliest).
//
// The engine is held by an uncounted pointer: the engine owns the sink and removes it before it
// goes, and a counted one would keep an enabled engine alive after its last holder let go.
#pragma once

#include "ReminderLib.h"
#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "mapi/Mapi.h"

class CBackFolderSink : public ComObject<CBackFolderSink, IMAPIAdviseSink> {
public:
    CBackFolderSink() = default;
    ~CBackFolderSink() override;

    // Opens the back folder's restricted associated contents, advises on it and reads the
    // copies once, so that copies due already are seen without waiting for a change.
    HRESULT SetSink(IReminderEngine* engine, ILVFolder* backFolder);
    void RemoveSink();
    // Reads the copies again (one pass over the table for each batch of notifications).
    HRESULT ReloadTable();

    ULONG STDMETHODCALLTYPE OnNotify(ULONG cNotif, LPNOTIFICATION lpNotifications) override;

    // Number of reloads so far (diagnostics, benchmarks).
    ULONG Reloads() const { return m_reloads; }

private:
    IReminderEngine* m_engine = nullptr; // not counted
    ComPtr<IMAPITable> m_table;
    ComPtr<IMAPIFolder> m_folder;
    ULONG m_connection = 0;
    ULONG m_reloads = 0;
};
