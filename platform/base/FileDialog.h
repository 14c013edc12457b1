// The common file dialogs, GetOpenFileNameA and GetSaveFileNameA. A dialog takes the next
// queued answer first (base/AnswerQueue.h: `file PATH` chooses the file, `cancel` cancels);
// without one it goes to the installed presenter, and with none installed (headless) it is
// cancelled. Each dialog is recorded with its title, initial file and answer.
#pragma once

#include "base/WinMessages.h"
#include "base/WinTypes.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

using LPOFNHOOKPROC = UINT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct OPENFILENAMEA {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpstrFilter; // pairs of zero-terminated texts (description, patterns), ended by an empty one
    LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex; // 1-based
    LPSTR lpstrFile;    // in: initial file name; out: the chosen path
    DWORD nMaxFile;
    LPSTR lpstrFileTitle; // out: the chosen file's name without its folder
    DWORD nMaxFileTitle;
    LPCSTR lpstrInitialDir;
    LPCSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCSTR lpstrDefExt;
    LPARAM lCustData;
    LPOFNHOOKPROC lpfnHook;
    LPCSTR lpTemplateName;
    void* pvReserved;
    DWORD dwReserved;
    DWORD FlagsEx;
};
using LPOPENFILENAMEA = OPENFILENAMEA*;

#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_SHOWHELP 0x00000010
#define OFN_ENABLEHOOK 0x00000020
#define OFN_ENABLETEMPLATE 0x00000040
#define OFN_ENABLETEMPLATEHANDLE 0x00000080
#define OFN_NOVALIDATE 0x00000100
#define OFN_ALLOWMULTISELECT 0x00000200
#define OFN_EXTENSIONDIFFERENT 0x00000400
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_CREATEPROMPT 0x00002000
#define OFN_SHAREAWARE 0x00004000
#define OFN_NOREADONLYRETURN 0x00008000
#define OFN_NOTESTFILECREATE 0x00010000
#define OFN_NONETWORKBUTTON 0x00020000
#define OFN_NOLONGNAMES 0x00040000
#define OFN_EXPLORER 0x00080000
#define OFN_NODEREFERENCELINKS 0x00100000
#define OFN_LONGNAMES 0x00200000
#define OFN_ENABLEINCLUDENOTIFY 0x00400000
#define OFN_ENABLESIZING 0x00800000
#define OFN_DONTADDTORECENT 0x02000000
#define OFN_FORCESHOWHIDDEN 0x10000000

// CommDlgExtendedError codes.
#define CDERR_STRUCTSIZE 0x0001
#define CDERR_INITIALIZATION 0x0002
#define FNERR_SUBCLASSFAILURE 0x3001
#define FNERR_INVALIDFILENAME 0x3002
#define FNERR_BUFFERTOOSMALL 0x3003

extern "C" {
// TRUE when a file was chosen: lpstrFile holds its path, nFileOffset and nFileExtension point at
// its name and extension, lpstrFileTitle (when given) its name. FALSE when cancelled
// (CommDlgExtendedError 0) or on an error: a path longer than nMaxFile - 1 gives
// FNERR_BUFFERTOOSMALL with the needed size in the first two bytes of lpstrFile; a missing file
// under OFN_FILEMUSTEXIST (or a missing folder under OFN_PATHMUSTEXIST) or an empty path gives
// FNERR_INVALIDFILENAME; a wrong lStructSize CDERR_STRUCTSIZE.
BOOL GetOpenFileNameA(LPOPENFILENAMEA ofn);
BOOL GetSaveFileNameA(LPOPENFILENAMEA ofn);
// The error of the calling thread's last file dialog (0 for none or a cancel).
DWORD CommDlgExtendedError();
}

namespace platform {

struct FileFilter {
    std::string description; // "Wave Files (*.wav)"
    std::string patterns;    // "*.wav" or "*.htm;*.html"
};

// A file dialog as a presenter sees it.
struct FileDialogRequest {
    bool save = false;
    HWND owner = nullptr;
    std::string title; // empty: the dialog's usual title
    std::vector<FileFilter> filters;
    DWORD filterIndex = 0; // 1-based into filters; 0 when there are none
    std::string initialDirectory;
    std::string fileName; // initial file name (or path)
    std::string defaultExtension;
    DWORD flags = 0; // OFN_*
};

struct FileDialogResult {
    std::string path;
    DWORD filterIndex = 0; // the filter in use when the user chose (0: unchanged)
};

class FileDialogPresenter {
public:
    virtual ~FileDialogPresenter() = default;
    // Shows the dialog modally; nothing when the user cancelled or it cannot be shown.
    virtual std::optional<FileDialogResult> Ask(const FileDialogRequest& request) = 0;
};

// Installs the presenter the file dialogs ask and returns the one before; null: none (headless,
// where a dialog without a queued answer is cancelled).
std::shared_ptr<FileDialogPresenter> SetFileDialogPresenter(std::shared_ptr<FileDialogPresenter> presenter);

} // namespace platform
