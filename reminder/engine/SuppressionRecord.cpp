#include "SuppressionRecord.h"

#include "MapiUtils.h"
#include "RegKeyEx.h"
#include "RegUtils.h"
#include "TraceScope.h"

namespace {

constexpr char kRecordsKey[] = "Software\\Halvesta\\Lumivane Suppression";
constexpr char kContainers[] = "Containers";   // REG_MULTI_SZ: one hex entry ID per string
constexpr char kSearchState[] = "SearchState"; // REG_DWORD: the state GetSearchCriteria gave

HRESULT FromWin32(LONG rc)
{
    return rc == ERROR_SUCCESS ? S_OK : HRESULT(0x80070000 | (rc & 0xFFFF));
}

} // namespace

CSuppressionRecord::CSuppressionRecord(std::string_view storeRecordKeyHex) : m_key(storeRecordKeyHex) {}

const char* CSuppressionRecord::RootKey()
{
    return kRecordsKey;
}

bool CSuppressionRecord::Exists() const
{
    if (m_key.empty())
        return false;
    CRegKeyEx key;
    return key.Open(HKEY_CURRENT_USER, (std::string(kRecordsKey) + "\\" + m_key).c_str(), KEY_READ) == ERROR_SUCCESS;
}

HRESULT CSuppressionRecord::Load(std::vector<Binary>& containers, ULONG& searchState) const
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CSuppressionRecord::Load", &hr);
    containers.clear();
    searchState = 0;
    CRegKeyEx key;
    DWORD type = 0;
    DWORD cb = 0;
    std::vector<BYTE> data;
    DWORD state = 0;
    LONG rc = m_key.empty() ? ERROR_FILE_NOT_FOUND
                            : key.Open(HKEY_CURRENT_USER, (std::string(kRecordsKey) + "\\" + m_key).c_str(), KEY_READ);
    if (rc != ERROR_SUCCESS) {
        hr = rc == ERROR_FILE_NOT_FOUND ? MAPI_E_NOT_FOUND : FromWin32(rc);
        return hr;
    }
    rc = RegQueryValueExA(key.m_hKey, kContainers, nullptr, &type, nullptr, &cb);
    if (rc == ERROR_SUCCESS && type == REG_MULTI_SZ) {
        data.resize(cb + 2, 0); // room for the terminators a value may lack
        rc = RegQueryValueExA(key.m_hKey, kContainers, nullptr, &type, data.data(), &cb);
    }
    if (rc != ERROR_SUCCESS || type != REG_MULTI_SZ || key.QueryDWORDValue(kSearchState, state) != ERROR_SUCCESS) {
        hr = MAPI_E_CORRUPT_DATA;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "Suppression record %s incomplete. failed hr=0x%08lx\n", m_key.c_str(),
                   hr);
        return hr;
    }
    // Strings up to the empty one that ends the list.
    for (std::size_t pos = 0; pos < cb && data[pos] != 0;) {
        std::size_t end = pos;
        while (end < data.size() && data[end] != 0)
            ++end;
        const std::string_view text(reinterpret_cast<const char*>(data.data()) + pos, end - pos);
        Binary eid;
        if (text.size() % 2 != 0 || !ParseHexString(text, eid)) {
            containers.clear();
            hr = MAPI_E_CORRUPT_DATA;
            TracePrint(__FILE__, __LINE__, TL_ERROR, "Suppression record %s holds no entry ID. failed hr=0x%08lx\n",
                       m_key.c_str(), hr);
            return hr;
        }
        containers.push_back(std::move(eid));
        pos = end + 1;
    }
    searchState = state;
    return hr;
}

HRESULT CSuppressionRecord::Save(const ENTRYLIST* list, ULONG searchState) const
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CSuppressionRecord::Save", &hr);
    CRegKeyEx key;
    std::string multi;
    LONG rc = ERROR_SUCCESS;
    if (m_key.empty()) {
        hr = E_INVALIDARG;
        return hr;
    }
    if (list && list->lpbin) {
        for (ULONG i = 0; i < list->cValues; ++i) {
            multi += HexString(list->lpbin[i].cb, list->lpbin[i].lpb);
            multi.push_back('\0');
        }
    }
    multi.push_back('\0');
    rc = key.Create(HKEY_CURRENT_USER, (std::string(kRecordsKey) + "\\" + m_key).c_str());
    if (rc != ERROR_SUCCESS) {
        hr = FromWin32(rc);
        TRACE_FAILED(Create, hr);
        return hr;
    }
    rc = RegSetValueExA(key.m_hKey, kContainers, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi.data()),
                        static_cast<DWORD>(multi.size()));
    if (rc == ERROR_SUCCESS)
        rc = key.SetDWORDValue(kSearchState, searchState);
    if (rc != ERROR_SUCCESS) {
        hr = FromWin32(rc);
        TRACE_FAILED(SetValue, hr);
        key.Close();
        Remove(); // half a record would restore a wrong scope
        return hr;
    }
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "Saved reminder folder scope of store %s (%lu folders)\n", m_key.c_str(),
               static_cast<ULONG>(list ? list->cValues : 0));
    return hr;
}

HRESULT CSuppressionRecord::Remove() const
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CSuppressionRecord::Remove", &hr);
    CRegKeyEx records;
    LONG rc = m_key.empty() ? ERROR_FILE_NOT_FOUND : records.Open(HKEY_CURRENT_USER, kRecordsKey, KEY_ALL_ACCESS);
    if (rc != ERROR_SUCCESS)
        return hr; // no records at all
    rc = records.RecurseDeleteKey(m_key.c_str());
    records.Close();
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
        hr = FromWin32(rc);
        TRACE_FAILED(RecurseDeleteKey, hr);
        return hr;
    }
    RegDeleteKeyIfEmpty(HKEY_CURRENT_USER, kRecordsKey);
    return hr;
}
