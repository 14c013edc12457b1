// CLanguageSettings: the host's languages (install, user interface, help), all the one the
// host runs in.
#pragma once

#include "com/ComObject.h"
#include "com/DispatchImpl.h"
#include "host/HostInterfaces.h"

#include <span>

class CLanguageSettings : public ComObject<CLanguageSettings, DispatchImpl<CLanguageSettings, LanguageSettings>> {
public:
    explicit CLanguageSettings(LONG languageId) : m_languageId(languageId) {}

    static std::span<const DispatchMember> DispatchMembers();
    HRESULT STDMETHODCALLTYPE get_LanguageID(LONG Id, LONG* languageId) override;

private:
    LONG m_languageId;
};
