#include "base/MessageBox.h"

#include "base/AnswerQueue.h"
#include "base/ConsoleMessageBoxPresenter.h"
#include "base/Utf.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>

namespace {

std::mutex g_lock;
std::shared_ptr<platform::MessageBoxPresenter> g_presenter;

std::shared_ptr<platform::MessageBoxPresenter> Console()
{
    static const auto console = std::make_shared<platform::ConsoleMessageBoxPresenter>();
    return console;
}

bool ConsoleForced()
{
    const char* value = std::getenv(platform::kMessageBoxVariable);
    return value && platform::EqualNoCase(value, "console");
}

} // namespace

namespace platform {

std::vector<int> MessageBoxButtons(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
        return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    case MB_RETRYCANCEL:
        return {IDRETRY, IDCANCEL};
    case MB_CANCELTRYCONTINUE:
        return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    default:
        return {IDOK};
    }
}

int MessageBoxDefaultButton(UINT type)
{
    const auto buttons = MessageBoxButtons(type);
    const UINT index = (type & MB_DEFMASK) >> 8;
    return index < buttons.size() ? buttons[index] : buttons.front();
}

std::shared_ptr<MessageBoxPresenter> SetMessageBoxPresenter(std::shared_ptr<MessageBoxPresenter> presenter)
{
    std::lock_guard guard(g_lock);
    auto previous = g_presenter ? g_presenter : Console();
    g_presenter = std::move(presenter);
    return previous;
}

std::shared_ptr<MessageBoxPresenter> CurrentMessageBoxPresenter()
{
    if (ConsoleForced())
        return Console();
    std::lock_guard guard(g_lock);
    return g_presenter ? g_presenter : Console();
}

} // namespace platform

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    platform::PromptRecord record;
    record.kind = platform::PromptKind::MessageBox;
    record.caption = lpCaption ? lpCaption : "Error";
    record.text = lpText ? lpText : "";
    record.type = uType;

    const auto buttons = platform::MessageBoxButtons(uType);
    if (auto answer = platform::TakeAnswer(platform::PromptKind::MessageBox, record.caption)) {
        const int id = answer->ButtonId();
        if (std::find(buttons.begin(), buttons.end(), id) != buttons.end()) {
            record.answer = id;
            record.queued = true;
        } else {
            platform::RecordAnswerError("answer '" + answer->Text() + "' is no button of the message box \"" +
                                        record.caption + "\"");
        }
    }
    if (!record.queued) {
        const int id = platform::CurrentMessageBoxPresenter()->Show(hWnd, record.text, record.caption, uType);
        record.answer = id != 0 ? id : platform::MessageBoxDefaultButton(uType);
    }
    const int answer = record.answer;
    platform::RecordPrompt(std::move(record));
    return answer;
}
