#include "FolderLinkListCtrl.h"

#include "FolderPath.h"
#include "ToolStrings.h"
#include "resource.h"

#include "base/Utf.h"
#include "com/ComBstr.h"

namespace {

constexpr std::size_t npos = std::string::npos;

std::string Text(HRESULT hr, const ComBstr& text) { return SUCCEEDED(hr) ? text.Utf8() : std::string(); }

std::string RecordKey(IFolder* folder)
{
    ComBstr key;
    const HRESULT hr = folder ? folder->get_RecordKey(key.put()) : E_POINTER;
    return Text(hr, key);
}

int FolderImage(IFolder* folder)
{
    ComBstr type;
    if (!folder || FAILED(folder->get_Type(type.put())))
        return CFolderLinkListCtrl::IMG_FOLDER;
    return CFolderLinkListCtrl::ImageForClass(type.Utf8());
}

void ReplaceAll(std::string& text, std::string_view what, std::string_view with)
{
    for (std::size_t pos = text.find(what); pos != npos; pos = text.find(what))
        text.replace(pos, what.size(), with);
}

} // namespace

const std::array<unsigned, 13>& CFolderLinkListCtrl::ImageIcons()
{
    static const std::array<unsigned, 13> icons{
        IDI_EMPTY,       IDI_FOLDER_UNKNOWN, IDI_FOLDER_MAIL, IDI_FOLDER_CONTACT, IDI_FOLDER_NOTE,
        IDI_FOLDER_TASK, IDI_FOLDER_APPOINTMENT, IDI_FOLDER_JOURNAL, IDI_LINK,    IDI_PENDING,
        IDI_CURRENT,     IDI_SECOND_PASS,    IDI_DONE};
    return icons;
}

int CFolderLinkListCtrl::ImageForClass(const std::string& containerClass)
{
    using platform::EqualNoCase;
    if (containerClass.empty() || EqualNoCase(containerClass, "IPF.Note"))
        return IMG_MAIL;
    if (EqualNoCase(containerClass, "IPF.Contact"))
        return IMG_CONTACT;
    if (EqualNoCase(containerClass, "IPF.StickyNote"))
        return IMG_NOTE;
    if (EqualNoCase(containerClass, "IPF.Task"))
        return IMG_TASK;
    if (EqualNoCase(containerClass, "IPF.Appointment"))
        return IMG_APPOINTMENT;
    if (EqualNoCase(containerClass, "IPF.Journal"))
        return IMG_JOURNAL;
    return IMG_FOLDER;
}

void CFolderLinkListCtrl::DeleteAllItems()
{
    m_rows.clear();
    m_fullLocalPaths.clear();
    m_fullGlobalPaths.clear();
    m_keyPairs.clear();
    RowChanged(-1);
}

bool CFolderLinkListCtrl::DeleteItem(int row)
{
    if (!IsRow(row))
        return false;
    const std::string key = GetRow(row).key;
    m_rows.erase(m_rows.begin() + row);
    m_fullLocalPaths.erase(key);
    m_fullGlobalPaths.erase(key);
    m_keyPairs.erase(key);
    RowChanged(-1);
    return true;
}

bool CFolderLinkListCtrl::FillFolderLinks(IProfiles* profiles, LONG index)
{
    DeleteAllItems();
    ComPtr<IProfile> profile;
    if (!profiles || FAILED(profiles->get_Items(index, profile.put())) || !profile)
        return false;
    ComPtr<IStore> destination;
    if (FAILED(profile->get_Destination(destination.put())) || !destination)
        return false;
    ComPtr<IStore> source;
    if (FAILED(profile->get_Source(source.put())))
        source.Release();
    ComPtr<IFolders> folders;
    if (FAILED(destination->get_Folders(folders.put())) || !folders)
        return false;
    // The store-level list holds the store's top folder alone.
    FolderList top;
    LONG count = 0;
    if (SUCCEEDED(folders->get_Count(&count)))
        for (LONG i = 1; i <= count; ++i) {
            CEnginePtr<IFolder> folder;
            if (SUCCEEDED(folders->get_Items(i, folder.put())) && folder)
                top.push_back(folder);
        }
    CollectFolderLinks(top, "", source.get());
    RememberFullPaths();
    RelayoutFolderLinks();
    return true;
}

void CFolderLinkListCtrl::CollectFolderLinks(const FolderList& folders, const std::string& parentPath,
                                             IStore* sourceStore)
{
    for (const CEnginePtr<IFolder>& folder : folders) {
        ComBstr name;
        if (FAILED(folder->get_Name(name.put())))
            continue;
        const std::string path = parentPath.empty() ? std::string("*") : parentPath + "/" + name.Utf8();
        ComPtr<IFolder> source;
        if (folder->get_Source(source.put()) == S_OK && source)
            AddFolderLink(path, folder.get(), source.get(), sourceStore);
        LONG hasFolders = 0;
        FolderList children;
        if (SUCCEEDED(folder->get_HasFolders(&hasFolders)) && hasFolders != 0 &&
            SUCCEEDED(ChildFolders(folder.get(), children)))
            CollectFolderLinks(children, path, sourceStore);
    }
}

void CFolderLinkListCtrl::AddFolderLink(const std::string& path, IFolder* destination, IFolder* source,
                                        IStore* sourceStore)
{
    AppendRow(path, destination, GetLinkFolderPath(source, sourceStore), source);
}

int CFolderLinkListCtrl::AppendRow(const std::string& localPath, IFolder* destination, const std::string& globalPath,
                                   IFolder* source)
{
    Row row;
    row.text[COL_LOCAL] = localPath;
    row.text[COL_GLOBAL] = globalPath.empty() ? LoadResString(IDS_NOT_AVAILABLE) : globalPath;
    row.image[COL_LOCAL] = FolderImage(destination);
    row.image[COL_LINK] = IMG_LINK;
    row.image[COL_GLOBAL] = FolderImage(source);
    row.key = RecordKey(destination);
    ComBstr sourceKey;
    if (source && SUCCEEDED(source->get_RecordKey(sourceKey.put())))
        m_keyPairs[row.key] = sourceKey.Utf8();
    m_rows.push_back(std::move(row));
    return GetItemCount() - 1;
}

void CFolderLinkListCtrl::AddFolderLinks(const std::string& localPath, IFolder* destination,
                                         const std::string& globalPath, IFolder* source)
{
    const int row = AppendRow(localPath, destination, globalPath, source);
    m_fullLocalPaths[GetRow(row).key] = GetRow(row).text[COL_LOCAL];
    m_fullGlobalPaths[GetRow(row).key] = GetRow(row).text[COL_GLOBAL];
    RelayoutFolderLinks();
    SetItemSelected(row, true);
    SetItemFocused(row);
    EnsureVisible(row);
}

void CFolderLinkListCtrl::RememberFullPaths()
{
    for (const Row& row : m_rows) {
        m_fullLocalPaths[row.key] = row.text[COL_LOCAL];
        m_fullGlobalPaths[row.key] = row.text[COL_GLOBAL];
    }
}

std::string CFolderLinkListCtrl::FullLocalPath(const std::string& key) const
{
    const auto it = m_fullLocalPaths.find(key);
    return it == m_fullLocalPaths.end() ? std::string() : it->second;
}

std::string CFolderLinkListCtrl::FullGlobalPath(const std::string& key) const
{
    const auto it = m_fullGlobalPaths.find(key);
    return it == m_fullGlobalPaths.end() ? std::string() : it->second;
}

void CFolderLinkListCtrl::SetFullPath(const std::string& key, bool local, const std::string& path)
{
    const int row = FindItemByKey(key);
    if (row < 0)
        return;
    (local ? m_fullLocalPaths : m_fullGlobalPaths)[key] = path;
    m_rows[static_cast<std::size_t>(row)].text[local ? COL_LOCAL : COL_GLOBAL] = path;
    RelayoutFolderLinks();
}

void CFolderLinkListCtrl::SetColumnSpaces(int local, int global)
{
    m_nLocalSpace = local;
    m_nGlobalSpace = global;
    m_bSpacesKnown = true;
}

void CFolderLinkListCtrl::RelayoutFolderLinks()
{
    if (m_bSpacesKnown)
        for (Row& row : m_rows) {
            row.text[COL_LOCAL] = ShortenPath(FullLocalPath(row.key), m_nLocalSpace, 0, m_measure);
            row.text[COL_GLOBAL] = ShortenPath(FullGlobalPath(row.key), m_nGlobalSpace, 0, m_measure);
        }
    RowChanged(-1);
}

std::string CFolderLinkListCtrl::ShortenPath(std::string path, int width, std::size_t start,
                                             const TextMeasure& measure)
{
    if (measure(path) <= width)
        return path;
    const int limit = width - measure("..") - 2;
    const std::size_t p1 = start < path.size() ? path.find('/', start) : npos;
    const std::size_t p2 = p1 == npos ? npos : path.find('/', p1 + 1);
    if (p1 != npos && p2 != npos && p1 > 0 && p1 < p2) {
        // The "/" and the folder name without its last character, shortened until it fits.
        std::string seg = path.substr(p1, p2 - p1);
        PopLastChar(seg);
        const std::string head = path.substr(0, p1);
        const std::string rest = path.substr(p2);
        for (;;) {
            if (seg.empty())
                return ShortenPath(std::move(path), width, p1 + 1, measure);
            path = head + seg + ".." + rest;
            if (measure(path) <= limit)
                return path;
            PopLastChar(seg);
        }
    }
    // No folder name left to cut: several left-out folders read "/..../", then the end goes.
    if (path.find("/../../") != npos) {
        ReplaceAll(path, "/../../", "/../");
        ReplaceAll(path, "/../", "/..../");
    }
    while (!path.empty() && measure(path) > limit)
        PopLastChar(path);
    return path + "..";
}

int CFolderLinkListCtrl::FindItemByKey(const std::string& key) const
{
    for (int i = 0; i < GetItemCount(); ++i)
        if (GetRow(i).key == key)
            return i;
    return -1;
}

void CFolderLinkListCtrl::SetItemImage(int row, int column, int image)
{
    if (!IsRow(row) || column < 0 || column > COL_GLOBAL)
        return;
    m_rows[static_cast<std::size_t>(row)].image[static_cast<std::size_t>(column)] = image;
    RowChanged(row);
}

int CFolderLinkListCtrl::GetSelectedRow() const
{
    for (int i = 0; i < GetItemCount(); ++i)
        if (GetRow(i).selected)
            return i;
    return -1;
}

std::vector<int> CFolderLinkListCtrl::GetSelectedRows() const
{
    std::vector<int> rows;
    for (int i = 0; i < GetItemCount(); ++i)
        if (GetRow(i).selected)
            rows.push_back(i);
    return rows;
}

bool CFolderLinkListCtrl::SetItemSelected(int row, bool selected)
{
    if (!IsRow(row))
        return false;
    if (GetRow(row).selected == selected)
        return true;
    if (selected && m_onSelectionChanging && !m_onSelectionChanging(row))
        return false;
    m_rows[static_cast<std::size_t>(row)].selected = selected;
    RowChanged(row);
    return true;
}

void CFolderLinkListCtrl::ClearSelection()
{
    for (int i = 0; i < GetItemCount(); ++i)
        SetItemSelected(i, false);
}

void CFolderLinkListCtrl::SetItemFocused(int row)
{
    for (int i = 0; i < GetItemCount(); ++i)
        m_rows[static_cast<std::size_t>(i)].focused = i == row;
}

void CFolderLinkListCtrl::EnsureVisible(int row)
{
    if (IsRow(row) && m_onEnsureVisible)
        m_onEnsureVisible(row);
}

void CFolderLinkListCtrl::RowChanged(int row)
{
    if (m_onRowChanged)
        m_onRowChanged(row);
}
