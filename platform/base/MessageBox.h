// MessageBoxA. A box takes the next queued answer first (base/AnswerQueue.h); without one it is
// shown by the installed presenter: the console presenter by default (and always when
// PLATFORM_MESSAGEBOX is "console"), which writes the box to standard error and answers with
// its default button; a windowed program installs one that shows a real box. Each box is
// recorded with its caption, text, type and answer.
#pragma once

#include "base/WinTypes.h"

#include <memory>
#include <string>
#include <vector>

// Buttons.
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_CANCELTRYCONTINUE 0x00000006L
#define MB_TYPEMASK 0x0000000FL
// Icons.
#define MB_ICONHAND 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONASTERISK 0x00000040L
#define MB_USERICON 0x00000080L
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONMASK 0x000000F0L
// Default button.
#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_DEFBUTTON3 0x00000200L
#define MB_DEFBUTTON4 0x00000300L
#define MB_DEFMASK 0x00000F00L
// Modality and other flags.
#define MB_APPLMODAL 0x00000000L
#define MB_SYSTEMMODAL 0x00001000L
#define MB_TASKMODAL 0x00002000L
#define MB_HELP 0x00004000L
#define MB_NOFOCUS 0x00008000L
#define MB_SETFOREGROUND 0x00010000L
#define MB_DEFAULT_DESKTOP_ONLY 0x00020000L
#define MB_TOPMOST 0x00040000L
#define MB_RIGHT 0x00080000L
#define MB_RTLREADING 0x00100000L
#define MB_SERVICE_NOTIFICATION 0x00200000L

// Answers.
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7
#define IDCLOSE 8
#define IDHELP 9
#define IDTRYAGAIN 10
#define IDCONTINUE 11

// A null caption reads "Error", as on the platform. Returns the id of the button chosen.
int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);

namespace platform {

inline constexpr const char* kMessageBoxVariable = "PLATFORM_MESSAGEBOX";

// The buttons of the box type (MB_OK ... MB_CANCELTRYCONTINUE), left to right; an unknown type
// has the buttons of MB_OK.
std::vector<int> MessageBoxButtons(UINT type);
// The button that MB_DEFBUTTONn names; one beyond the box's buttons falls back to the first.
int MessageBoxDefaultButton(UINT type);

class MessageBoxPresenter {
public:
    virtual ~MessageBoxPresenter() = default;
    // Shows the box (modal, owned by `owner` when it is a window) and returns the id of the
    // button chosen, or 0 when it cannot show it (the box then gets its default button).
    virtual int Show(HWND owner, const std::string& text, const std::string& caption, UINT type) = 0;
};

// Installs the presenter that MessageBoxA asks and returns the one before; null restores the
// console presenter.
std::shared_ptr<MessageBoxPresenter> SetMessageBoxPresenter(std::shared_ptr<MessageBoxPresenter> presenter);
// The presenter MessageBoxA asks now (the console one while PLATFORM_MESSAGEBOX is "console").
std::shared_ptr<MessageBoxPresenter> CurrentMessageBoxPresenter();

} // namespace platform
