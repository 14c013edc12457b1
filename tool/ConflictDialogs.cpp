#include "ConflictDialogs.h"

#include "ConflictList.h"
#include "ConflictResource.h"
#include "DlgConflicts.h"
#include "OrvApp.h"
#include "OrvView.h"
#include "ToolStrings.h"

#include "base/MessageBox.h"
#include "base/UiLanguage.h"

CConflictDialogs::CConflictDialogs(Runner runner) : m_runner(std::move(runner)), m_language(GetThreadUILanguage()) {}

void CConflictDialogs::HandleConflicts(COrvView& view, IProfile* profile, IConflicts* conflicts,
                                       const std::string& name, const std::string& localStore,
                                       const std::string& globalStore)
{
    // "(untitled)" and the captions in the window's language.
    SetThreadUILanguage(m_language);
    CConflictList model;
    const int unreadable = model.Load(conflicts, profile);
    if (unreadable > 0)
        view.SendToWindowThread([&] {
            const COrvApp* app = COrvApp::Current();
            MessageBoxA(nullptr, FormatResString(IDS_UNREADABLE_CONFLICTS, static_cast<unsigned long>(unreadable)).c_str(),
                        app ? app->m_strAppName.c_str() : "Orvinta", MB_OK);
            return LRESULT{0};
        });
    const auto run = [&](int mode, const std::vector<ConflictRow>& rows, UINT captionId) {
        if (rows.empty() || !m_runner)
            return;
        view.SendToWindowThread([&] {
            CDlgConflicts dialog(mode, rows, model.Conflicts(), model.Profile(), LoadResString(captionId) + " - " + name,
                                 localStore, globalStore);
            return static_cast<LRESULT>(m_runner(dialog));
        });
    };
    run(CDlgConflicts::MODE_DELETIONS, model.DeleteList(), IDS_DELETE_RESOLUTION);
    run(CDlgConflicts::MODE_CHANGES, model.ChangeList(), IDS_CONFLICT_RESOLUTION);
}
