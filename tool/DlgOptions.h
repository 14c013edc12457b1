// The Options dialog: synchronise after the mail client starts (with a delay from a list) and
// after it quits, and whether deletions are confirmed. OK and Accept store the settings.
#pragma once

#include "OrvDialog.h"

#include <functional>
#include <string>
#include <vector>

class COrvApp;

class CDlgOptions : public COrvDialog {
public:
    struct DelayEntry {
        std::string text;
        // The number before the entry's first blank; 0 for an entry without one.
        int minutes = 0;
    };

    explicit CDlgOptions(COrvApp& app);

    // The delay list's entries in the thread's UI language.
    static std::vector<DelayEntry> LoadDelayEntries();
    // Where the dialog goes: 30 pixels right of and 50 below its parent's top-left corner.
    static POINT PlaceBeside(const RECT& parentWindow);

    const std::vector<DelayEntry>& DelayEntries() const { return m_delays; }
    int GetDelaySel() const { return m_nDelaySel; }
    bool IsDelayEnabled() const { return m_bDelayEnabled; }
    // The user picks a delay (CBN_SELCHANGE).
    void SelectDelay(int index);

    // Copies the controls into the settings and saves them.
    void ApplySettings();

    // The display shows the delay list anew (entries, selection, enabling).
    std::function<void()> m_onDelayChanged;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(int id, int code) override;
    void OnOK() override;

private:
    void EnableDelay(bool enable);
    void DelayChanged();

    COrvApp& m_app;
    std::vector<DelayEntry> m_delays;
    int m_nDelaySel = -1;
    bool m_bDelayEnabled = true;
};
