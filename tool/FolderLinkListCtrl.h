// The folder associations of one profile: a row per linked destination folder with its local
// path, a link image and the global path of its source folder, paths shortened to the columns'
// widths. Used by the main view (the run's progress images go into column 1) and by the profile
// editor. Display-free: the rows, the full paths and the key pairs live here; a toolkit list
// shows them.
#pragma once

#include "EnginePtr.h"
#include "FolderSearch.h"
#include "TembrixLib.h"
#include "TextMeasure.h"

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

class CFolderLinkListCtrl {
public:
    // Columns: local path, link or progress image, global path.
    enum : int { COL_LOCAL = 0, COL_LINK = 1, COL_GLOBAL = 2 };
    // The image list: icon 145, icons 130 to 138, then 141, 139, 140.
    enum : int {
        IMG_EMPTY = 0,
        IMG_FOLDER = 1,
        IMG_MAIL = 2,
        IMG_CONTACT = 3,
        IMG_NOTE = 4,
        IMG_TASK = 5,
        IMG_APPOINTMENT = 6,
        IMG_JOURNAL = 7,
        IMG_LINK = 8,
        IMG_PENDING = 9,
        IMG_CURRENT = 10,
        IMG_SECOND_PASS = 11,
        IMG_DONE = 12,
    };
    static const std::array<unsigned, 13>& ImageIcons();
    // The image of a folder's container class, letter case aside: mail for "" and "IPF.Note",
    // contacts, notes, tasks, appointments, journal; any other class the plain folder.
    static int ImageForClass(const std::string& containerClass);

    struct Row {
        std::array<std::string, 3> text;
        std::array<int, 3> image{IMG_EMPTY, IMG_LINK, IMG_EMPTY};
        // The destination folder's record key (hex): the row's key.
        std::string key;
        bool selected = false;
        bool focused = false;
    };

    // The associations of the profile with that index; false when the profile, its destination
    // store or that store's folders cannot be read (the list is then empty).
    bool FillFolderLinks(IProfiles* profiles, LONG index);
    // One association made in the profile editor: a row with these paths (string 206 for an
    // empty global path), then selected, focused and scrolled to.
    void AddFolderLinks(const std::string& localPath, IFolder* destination, const std::string& globalPath,
                        IFolder* source);
    // Shortens every row's full paths to the columns' spaces.
    void RelayoutFolderLinks();
    // A path shortened to `width` pixels from position `start`: the folder names are cut from
    // the first one on ("*/Proj../Alpha"), then several left out ("*/..../Deep"), then the end.
    static std::string ShortenPath(std::string path, int width, std::size_t start, const TextMeasure& measure);

    void DeleteAllItems();
    bool DeleteItem(int row);

    int GetItemCount() const { return static_cast<int>(m_rows.size()); }
    bool IsRow(int row) const { return row >= 0 && row < GetItemCount(); }
    const Row& GetRow(int row) const { return m_rows.at(static_cast<std::size_t>(row)); }
    const std::string& GetItemKey(int row) const { return GetRow(row).key; }
    int FindItemByKey(const std::string& key) const;
    void SetItemImage(int row, int column, int image);
    int GetItemImage(int row, int column) const { return IsRow(row) ? GetRow(row).image.at(column) : -1; }

    // Several rows may be selected. Selecting asks m_onSelectionChanging first and gives false
    // when it refuses.
    int GetSelectedRow() const;
    std::vector<int> GetSelectedRows() const;
    bool SetItemSelected(int row, bool selected);
    void ClearSelection();
    void SetItemFocused(int row);
    // Asks the display to scroll the row into view.
    void EnsureVisible(int row);

    // Full paths by row key, and the source folder's key by destination key.
    std::string FullLocalPath(const std::string& key) const;
    std::string FullGlobalPath(const std::string& key) const;
    const std::map<std::string, std::string>& KeyPairs() const { return m_keyPairs; }
    // The profile editor found a folder's path changed: the row's full path on that side.
    void SetFullPath(const std::string& key, bool local, const std::string& path);

    // The space of columns 0 and 2 in pixels, and how the list's font measures texts.
    void SetColumnSpaces(int local, int global);
    void SetMeasure(TextMeasure measure) { m_measure = std::move(measure); }

    // Every row changed (-1) or one row; a row to scroll into view.
    std::function<void(int row)> m_onRowChanged;
    std::function<void(int row)> m_onEnsureVisible;
    // Before a row is selected: false refuses it.
    std::function<bool(int row)> m_onSelectionChanging;

private:
    void CollectFolderLinks(const FolderList& folders, const std::string& parentPath, IStore* sourceStore);
    void AddFolderLink(const std::string& path, IFolder* destination, IFolder* source, IStore* sourceStore);
    int AppendRow(const std::string& localPath, IFolder* destination, const std::string& globalPath, IFolder* source);
    void RememberFullPaths();
    void RowChanged(int row);

    std::vector<Row> m_rows;
    std::map<std::string, std::string> m_fullLocalPaths;
    std::map<std::string, std::string> m_fullGlobalPaths;
    std::map<std::string, std::string> m_keyPairs;
    int m_nLocalSpace = 0;
    int m_nGlobalSpace = 0;
    bool m_bSpacesKnown = false;
    TextMeasure m_measure = FixedWidthMeasure(7);
};
