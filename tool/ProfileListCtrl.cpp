#include "ProfileListCtrl.h"

#include "OrvApp.h"
#include "ToolStrings.h"
#include "resource.h"

#include "base/MessageBox.h"
#include "com/ComBstr.h"

#include <algorithm>

namespace {

void InformationBox(const std::string& text)
{
    const COrvApp* app = COrvApp::Current();
    MessageBoxA(nullptr, text.c_str(), app ? app->m_strAppName.c_str() : "Orvinta", MB_OK | MB_ICONINFORMATION);
}

} // namespace

const std::vector<unsigned>& CProfileListCtrl::ImageIcons()
{
    static const std::vector<unsigned> icons{IDI_EMPTY, IDI_LINK,  IDI_PENDING, IDI_CURRENT,
                                             IDI_SECOND_PASS, IDI_DONE, IDI_FAILED};
    return icons;
}

int CProfileListCtrl::MarkImage(const std::string& mark)
{
    if (mark == "C")
        return IMG_SECOND_PASS;
    if (mark == "D")
        return IMG_DONE;
    if (mark == "W")
        return IMG_WAITING;
    if (mark == "F")
        return IMG_FAILED;
    return IMG_NONE;
}

void CProfileListCtrl::DeleteAllItems()
{
    m_rows.clear();
    m_records.clear();
    m_keysInUse.clear();
    RowChanged(-1);
}

void CProfileListCtrl::FillProfiles(IProfiles* profiles)
{
    DeleteAllItems();
    LONG count = 0;
    if (!profiles || FAILED(profiles->get_Count(&count)))
        return;
    m_rows.reserve(static_cast<std::size_t>(std::max<LONG>(count, 0)));
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<IProfile> profile;
        ComBstr name;
        if (FAILED(profiles->get_Items(i, profile.put())) || !profile || FAILED(profile->get_Name(name.put())))
            continue;
        Row row;
        row.name = name.Utf8();
        row.itemData = i;
        m_records[row.name] = CProfileRecord{};
        m_rows.push_back(std::move(row));
    }
    RowChanged(-1);
}

std::string CProfileListCtrl::GetItemText(int row, int column) const
{
    if (!IsRow(row))
        return {};
    const Row& r = GetRow(row);
    switch (column) {
    case COL_NAME:
        return r.name;
    case COL_INFO:
        return r.info;
    case COL_MARK:
        return r.mark;
    default:
        return {};
    }
}

void CProfileListCtrl::SetItemText(int row, int column, const std::string& text)
{
    if (!IsRow(row))
        return;
    Row& r = m_rows[static_cast<std::size_t>(row)];
    switch (column) {
    case COL_NAME:
        r.name = text;
        break;
    case COL_INFO:
        r.info = text;
        break;
    case COL_MARK:
        r.mark = text;
        break;
    default:
        return;
    }
    RowChanged(row);
}

void CProfileListCtrl::SetFailure(int row, const std::string& text)
{
    if (!IsRow(row))
        return;
    m_rows[static_cast<std::size_t>(row)].failure = text;
    RowChanged(row);
}

int CProfileListCtrl::FindItem(const std::string& name) const
{
    for (int i = 0; i < GetItemCount(); ++i)
        if (GetRow(i).name == name)
            return i;
    return -1;
}

CProfileRecord* CProfileListCtrl::FindRecord(const std::string& name)
{
    const auto it = m_records.find(name);
    return it == m_records.end() ? nullptr : &it->second;
}

const CProfileRecord* CProfileListCtrl::FindRecord(const std::string& name) const
{
    const auto it = m_records.find(name);
    return it == m_records.end() ? nullptr : &it->second;
}

bool CProfileListCtrl::IsDeactivated(int row) const
{
    const CProfileRecord* record = IsRow(row) ? FindRecord(GetRow(row).name) : nullptr;
    return record && record->bDeactivated;
}

int CProfileListCtrl::GetProfileState(int row) const
{
    const CProfileRecord* record = IsRow(row) ? FindRecord(GetRow(row).name) : nullptr;
    return record ? record->nStoreFlags : 0;
}

bool CProfileListCtrl::SharesKey(const CProfileRecord& a, const CProfileRecord& b)
{
    for (const std::string* key : {&a.strDestKey, &a.strSrcKey})
        if (!key->empty() && (*key == b.strDestKey || *key == b.strSrcKey))
            return true;
    return false;
}

std::string CProfileListCtrl::FindStoreConflict(int row) const
{
    const CProfileRecord* mine = IsRow(row) ? FindRecord(GetRow(row).name) : nullptr;
    if (!mine)
        return {};
    for (int i = 0; i < GetItemCount(); ++i) {
        if (i == row || !GetRow(i).checked)
            continue;
        const CProfileRecord* other = FindRecord(GetRow(i).name);
        if (other && SharesKey(*mine, *other))
            return GetRow(i).name;
    }
    return {};
}

bool CProfileListCtrl::SetCheck(int row, bool check)
{
    if (!IsRow(row))
        return false;
    if (GetRow(row).checked == check)
        return true;
    if (!OnCheckChanging(row, check))
        return false;
    m_rows[static_cast<std::size_t>(row)].checked = check;
    RowChanged(row);
    ItemChanged(row, true, false);
    return true;
}

bool CProfileListCtrl::OnCheckChanging(int row, bool check)
{
    const std::string name = GetRow(row).name;
    CProfileRecord* record = FindRecord(name);
    if (!record)
        return true;
    if (record->bDeactivated) {
        const std::string other = FindStoreConflict(row);
        if (m_isVisible && m_isVisible())
            InformationBox(FormatResString(IDS_SHARED_STORE, other));
        else
            InformationBox(FormatResString(IDS_DEACTIVATED, name) + FormatResString(IDS_SHARED_STORE_LOADING, other));
        return false;
    }
    if (record->nStoreFlags != STORES_AVAILABLE)
        return true;
    if (check) {
        for (const std::string* key : {&record->strDestKey, &record->strSrcKey})
            if (!key->empty())
                m_keysInUse.insert(*key);
        for (int i = 0; i < GetItemCount(); ++i) {
            if (i == row || GetRow(i).checked)
                continue;
            CProfileRecord* other = FindRecord(GetRow(i).name);
            if (!other || other == record || other->bDeactivated || other->nStoreFlags != STORES_AVAILABLE ||
                !SharesKey(*record, *other))
                continue;
            other->bDeactivated = true;
            RowChanged(i);
        }
    } else {
        for (const std::string* key : {&record->strDestKey, &record->strSrcKey})
            m_keysInUse.erase(*key);
        for (int i = 0; i < GetItemCount(); ++i) {
            if (i == row || GetRow(i).checked)
                continue;
            CProfileRecord* other = FindRecord(GetRow(i).name);
            if (!other || other == record || !other->bDeactivated || other->nStoreFlags != STORES_AVAILABLE)
                continue;
            const bool inUse = (!other->strDestKey.empty() && m_keysInUse.contains(other->strDestKey)) ||
                               (!other->strSrcKey.empty() && m_keysInUse.contains(other->strSrcKey));
            if (inUse)
                continue;
            other->bDeactivated = false;
            RowChanged(i);
        }
    }
    return true;
}

int CProfileListCtrl::GetSelectedRow() const
{
    for (int i = 0; i < GetItemCount(); ++i)
        if (GetRow(i).selected)
            return i;
    return -1;
}

bool CProfileListCtrl::SetItemSelected(int row, bool selected)
{
    if (!IsRow(row))
        return false;
    if (GetRow(row).selected == selected)
        return true;
    if (selected && m_onSelectionChanging && !m_onSelectionChanging(row))
        return false;
    if (selected)
        for (int i = 0; i < GetItemCount(); ++i)
            if (i != row && GetRow(i).selected)
                SetSelectedState(i, false);
    SetSelectedState(row, selected);
    return true;
}

void CProfileListCtrl::ClearSelection()
{
    for (int i = 0; i < GetItemCount(); ++i)
        if (GetRow(i).selected)
            SetSelectedState(i, false);
}

void CProfileListCtrl::SetSelectedState(int row, bool selected)
{
    m_rows[static_cast<std::size_t>(row)].selected = selected;
    RowChanged(row);
    ItemChanged(row, false, true);
}

int CProfileListCtrl::GetFocusedRow() const
{
    for (int i = 0; i < GetItemCount(); ++i)
        if (GetRow(i).focused)
            return i;
    return -1;
}

void CProfileListCtrl::SetItemFocused(int row)
{
    for (int i = 0; i < GetItemCount(); ++i)
        m_rows[static_cast<std::size_t>(i)].focused = i == row;
}

void CProfileListCtrl::RowChanged(int row)
{
    if (m_onRowChanged)
        m_onRowChanged(row);
}

void CProfileListCtrl::ItemChanged(int row, bool checkChanged, bool selectionChanged)
{
    if (m_onItemChanged)
        m_onItemChanged(row, checkChanged, selectionChanged);
}
