#include "base/FileDialog.h"

#include "base/AnswerQueue.h"

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <mutex>

namespace fs = std::filesystem;

namespace {

std::mutex g_lock;
std::shared_ptr<platform::FileDialogPresenter> g_presenter;
thread_local DWORD t_lastError = 0;

std::vector<platform::FileFilter> ParseFilters(LPCSTR filter)
{
    std::vector<platform::FileFilter> filters;
    if (!filter)
        return filters;
    while (*filter) {
        platform::FileFilter f;
        f.description = filter;
        filter += f.description.size() + 1;
        if (!*filter)
            break; // a description without patterns ends the list
        f.patterns = filter;
        filter += f.patterns.size() + 1;
        filters.push_back(std::move(f));
    }
    return filters;
}

std::string Slashes(std::string s)
{
    for (char& c : s)
        if (c == '\\')
            c = '/';
    return s;
}

// The path the dialog hands back for what was chosen: relative names are taken in the initial
// folder (else the current one), and a name without an extension gets the default one.
std::string Complete(std::string path, const platform::FileDialogRequest& request)
{
    path = Slashes(std::move(path));
    fs::path p(path);
    if (p.is_relative()) {
        std::error_code ec;
        const fs::path base = request.initialDirectory.empty() ? fs::current_path(ec) : fs::path(request.initialDirectory);
        p = base / p;
    }
    if (!request.defaultExtension.empty() && !p.filename().has_extension() && !p.filename().empty())
        p += "." + request.defaultExtension;
    return p.lexically_normal().string();
}

// Why the path may not be chosen ("" when it may).
std::string Refusal(const std::string& path, const platform::FileDialogRequest& request)
{
    if (path.empty() || path.back() == '/')
        return "no file name";
    std::error_code ec;
    if (request.flags & OFN_FILEMUSTEXIST) {
        if (!fs::is_regular_file(path, ec))
            return "no such file";
    } else if (request.flags & OFN_PATHMUSTEXIST) {
        const fs::path parent = fs::path(path).parent_path();
        if (!parent.empty() && !fs::is_directory(parent, ec))
            return "no such folder";
    }
    if (fs::is_directory(path, ec))
        return "a folder, not a file";
    return {};
}

BOOL Fail(DWORD error)
{
    t_lastError = error;
    return FALSE;
}

BOOL RunFileDialog(LPOPENFILENAMEA ofn, bool save)
{
    t_lastError = 0;
    if (!ofn || (ofn->lStructSize != sizeof(OPENFILENAMEA) && ofn->lStructSize != offsetof(OPENFILENAMEA, pvReserved)))
        return Fail(CDERR_STRUCTSIZE);
    if (!ofn->lpstrFile || ofn->nMaxFile == 0)
        return Fail(CDERR_INITIALIZATION);

    platform::FileDialogRequest request;
    request.save = save;
    request.owner = ofn->hwndOwner;
    request.title = ofn->lpstrTitle ? ofn->lpstrTitle : "";
    request.filters = ParseFilters(ofn->lpstrFilter);
    request.filterIndex = request.filters.empty() ? 0 : (ofn->nFilterIndex == 0 || ofn->nFilterIndex > request.filters.size() ? 1 : ofn->nFilterIndex);
    request.initialDirectory = ofn->lpstrInitialDir ? Slashes(ofn->lpstrInitialDir) : "";
    request.fileName = Slashes(std::string(ofn->lpstrFile, strnlen(ofn->lpstrFile, ofn->nMaxFile)));
    request.defaultExtension = ofn->lpstrDefExt ? ofn->lpstrDefExt : "";
    request.flags = ofn->Flags;

    platform::PromptRecord record;
    record.kind = platform::PromptKind::FileDialog;
    record.caption = request.title.empty() ? (save ? "Save As" : "Open") : request.title;
    record.text = request.fileName;
    record.type = ofn->Flags;

    std::optional<platform::FileDialogResult> chosen;
    if (auto answer = platform::TakeAnswer(platform::PromptKind::FileDialog, record.caption)) {
        record.queued = true;
        if (answer->kind == platform::AnswerKind::File)
            chosen = platform::FileDialogResult{answer->path, 0};
    } else {
        std::shared_ptr<platform::FileDialogPresenter> presenter;
        {
            std::lock_guard guard(g_lock);
            presenter = g_presenter;
        }
        if (presenter)
            chosen = presenter->Ask(request);
    }

    DWORD error = 0;
    if (chosen) {
        const std::string path = Complete(chosen->path, request);
        const std::string refusal = Refusal(path, request);
        if (!refusal.empty()) {
            platform::RecordAnswerError("file dialog \"" + record.caption + "\": " + path + ": " + refusal);
            error = FNERR_INVALIDFILENAME;
        } else if (path.size() + 1 > ofn->nMaxFile) {
            error = FNERR_BUFFERTOOSMALL;
            if (ofn->nMaxFile >= 2) {
                const WORD needed = static_cast<WORD>(std::min<std::size_t>(path.size() + 1, 0xFFFF));
                std::memcpy(ofn->lpstrFile, &needed, sizeof needed);
            }
        } else {
            std::memcpy(ofn->lpstrFile, path.c_str(), path.size() + 1);
            const auto slash = path.find_last_of('/');
            const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
            const auto dot = path.find_last_of('.');
            ofn->nFileOffset = static_cast<WORD>(nameStart);
            ofn->nFileExtension =
                static_cast<WORD>(dot != std::string::npos && dot >= nameStart ? dot + 1 : path.size());
            if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0) {
                const std::string name = path.substr(nameStart);
                const std::size_t n = std::min<std::size_t>(name.size(), ofn->nMaxFileTitle - 1);
                std::memcpy(ofn->lpstrFileTitle, name.data(), n);
                ofn->lpstrFileTitle[n] = '\0';
            }
            if (chosen->filterIndex != 0 && chosen->filterIndex <= request.filters.size())
                ofn->nFilterIndex = chosen->filterIndex;
            record.path = path;
            record.answer = TRUE;
        }
    }
    platform::RecordPrompt(std::move(record));
    if (error != 0)
        return Fail(error);
    return chosen && error == 0 ? TRUE : FALSE;
}

} // namespace

namespace platform {

std::shared_ptr<FileDialogPresenter> SetFileDialogPresenter(std::shared_ptr<FileDialogPresenter> presenter)
{
    std::lock_guard guard(g_lock);
    auto previous = std::move(g_presenter);
    g_presenter = std::move(presenter);
    return previous;
}

} // namespace platform

BOOL GetOpenFileNameA(LPOPENFILENAMEA ofn)
{
    return RunFileDialog(ofn, false);
}

BOOL GetSaveFileNameA(LPOPENFILENAMEA ofn)
{
    return RunFileDialog(ofn, true);
}

DWORD CommDlgExtendedError()
{
    return t_lastError;
}
