// ProfAdmin: IProfAdmin over the profiles in the registry.
#pragma once

#include "mapi/MapiX.h"

#include <atomic>

namespace mapi {

class ProfAdmin : public IProfAdmin {
public:
    static HRESULT Create(ULONG flags, IProfAdmin** out);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override;

    HRESULT GetLastError(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) override;
    HRESULT GetProfileTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
    HRESULT CreateProfile(LPTSTR lpszProfileName, LPTSTR lpszPassword, ULONG_PTR ulUIParam, ULONG ulFlags) override;
    HRESULT DeleteProfile(LPTSTR lpszProfileName, ULONG ulFlags) override;
    HRESULT ChangeProfilePassword(LPTSTR lpszProfileName, LPTSTR lpszOldPassword, LPTSTR lpszNewPassword,
                                  ULONG ulFlags) override;
    HRESULT CopyProfile(LPTSTR lpszOldProfileName, LPTSTR lpszOldPassword, LPTSTR lpszNewProfileName,
                        ULONG_PTR ulUIParam, ULONG ulFlags) override;
    HRESULT RenameProfile(LPTSTR lpszOldProfileName, LPTSTR lpszOldPassword, LPTSTR lpszNewProfileName,
                          ULONG_PTR ulUIParam, ULONG ulFlags) override;
    HRESULT SetDefaultProfile(LPTSTR lpszProfileName, ULONG ulFlags) override;
    HRESULT AdminServices(LPTSTR lpszProfileName, LPTSTR lpszPassword, ULONG_PTR ulUIParam, ULONG ulFlags,
                          IMsgServiceAdmin** lppServiceAdmin) override;

private:
    explicit ProfAdmin(ULONG flags) : m_flags(flags) {}
    virtual ~ProfAdmin() = default;
    std::atomic<ULONG> m_refs{1};
    ULONG m_flags;
};

} // namespace mapi
