// The document: the program's connection to the sync engine (its root object and profiles
// collection, made on the window thread and used by every window and by the worker), and the
// run state that the frame, the tray and the close logic read. It has no file.
#pragma once

#include "EnginePtr.h"
#include "TembrixLib.h"

#include "base/WinTypes.h"

#include <functional>
#include <string>
#include <vector>

class COrvDoc {
public:
    // Connects the engine and loads its profiles; failures are shown and leave them empty.
    COrvDoc();
    ~COrvDoc();
    COrvDoc(const COrvDoc&) = delete;
    COrvDoc& operator=(const COrvDoc&) = delete;

    void ReleaseEngine();
    // false when there is no engine or its profiles cannot be read (string 203 shown).
    bool LoadProfiles();
    void SetSyncState(bool running);
    // The status bar's text while a run is active, else "" (nothing to change).
    std::string OnIdle() const;
    // false while a run is active: the program closes when it ends.
    bool CanCloseFrame();

    // The views of the document: each gets WMU_KILLTIMER when the frame may close.
    void AddView(HWND view) { m_views.push_back(view); }
    void RemoveView(HWND view);

    // Where the run state shows: the tray's icon (resource id) and the frame's status bar.
    std::function<void(UINT iconId)> m_onTrayIcon;
    std::function<void(const std::string& text)> m_onStatusText;

    CEnginePtr<ISyncEngine> m_pEngine;
    CEnginePtr<IProfiles> m_pProfiles;
    bool m_bRunning = false;
    bool m_bQuitAfterRun = false;
    // A close was refused during the active run: quit-after-run is the user's own request then.
    bool m_bCloseRequested = false;
    // Result of the engine connection (S_OK when connected).
    HRESULT m_hrEngine = S_OK;

private:
    HRESULT ConnectEngine();

    std::vector<HWND> m_views;
};
