// One undecided case of a sync run: its type, both folders and the entry IDs of both messages.
// Resolving goes through the profile; a conflict kept "as it is" (mode 0) re-saves its messages
// when it goes, so that the case comes up again at the next run.
#pragma once

#include "EngineObject.h"
#include "mapi/MapiX.h"

#include <string>
#include <vector>

class CConflict : public ComObject<CConflict, DispatchImpl<CConflict, IConflict>, SupportErrorInfoImpl<IConflict>> {
public:
    CConflict();
    ~CConflict() override;
    static std::span<const DispatchMember> DispatchMembers();
    HRESULT QueryExtraInterface(REFIID riid, void** ppv);
    void FinalRelease();

    HRESULT STDMETHODCALLTYPE Create(IProfile* pParent, SHORT Type, IUnknown* pSrcFolder, IUnknown* pDstFolder,
                                     IUnknown* pSrcMsg, IUnknown* pDstMsg, LPSTR pszErr) override;
    HRESULT STDMETHODCALLTYPE get_Type(SHORT* pVal) override;
    HRESULT STDMETHODCALLTYPE get_SourceFolder(IUnknown** pVal) override;
    HRESULT STDMETHODCALLTYPE get_DestinationFolder(IUnknown** pVal) override;
    HRESULT STDMETHODCALLTYPE get_SourceEntryID(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_DestinationEntryID(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_SourceMessage(IUnknown** pVal) override;
    HRESULT STDMETHODCALLTYPE get_DestinationMessage(IUnknown** pVal) override;
    HRESULT STDMETHODCALLTYPE Resolve(SHORT mode) override;

    // The run of the profile that found this conflict (resolving belongs to that run only).
    void SetRun(unsigned run) { m_run = run; }
    unsigned Run() const { return m_run; }
    const std::string& Text() const { return m_text; }

private:
    static HRESULT KeepEntryID(IUnknown* pMsg, std::vector<BYTE>& entryId);
    static HRESULT OpenMsg(IMAPIFolder* pFolder, const std::vector<BYTE>& entryId, IUnknown** pVal);
    static HRESULT TouchMsg(IMAPIFolder* pFolder, const std::vector<BYTE>& entryId);

    ComPtr<IProfile> m_parent;
    SHORT m_type = 0;
    ComPtr<IMAPIFolder> m_srcFolder;
    ComPtr<IMAPIFolder> m_dstFolder;
    std::vector<BYTE> m_srcEntryId; // empty when the conflict has no source message
    std::vector<BYTE> m_dstEntryId;
    std::string m_text;              // type 99 only
    bool m_touch = false;
    SHORT m_touchType = 0;
    unsigned m_run = 0;
};
