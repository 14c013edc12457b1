// The Rename Profile dialog: a new name (at most 64 characters) that no row of the main view's
// profile list has; OK saves the profile under it.
#pragma once

#include "EnginePtr.h"
#include "OrvDialog.h"
#include "TembrixLib.h"

#include <string>
#include <vector>

class CDlgProfileRename : public COrvDialog {
public:
    static constexpr int kMaxName = 64;

    // `listNames`: the names in the first column of the view's profile list.
    CDlgProfileRename(std::vector<std::string> listNames, IProfiles* profiles, IProfile* profile);

    const std::string& GetNewName() const { return m_strNewName; }

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(int id, int code) override;
    void OnOK() override;

private:
    std::vector<std::string> m_listNames;
    CEnginePtr<IProfiles> m_pProfiles;
    CEnginePtr<IProfile> m_pProfile;
    std::string m_strNewName;
};
