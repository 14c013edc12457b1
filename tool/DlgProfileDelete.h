// The Delete Profile confirmation: OK removes the profile of that name (the first one, names
// compared exactly) with its associations and key databases.
#pragma once

#include "EnginePtr.h"
#include "OrvDialog.h"
#include "TembrixLib.h"

#include <string>

class CDlgProfileDelete : public COrvDialog {
public:
    CDlgProfileDelete(ISyncEngine* engine, std::string profileName);

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(int id, int code) override;
    void OnOK() override;

private:
    CEnginePtr<ISyncEngine> m_pEngine;
    std::string m_strProfileName;
};
