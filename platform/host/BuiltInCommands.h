// The host's own commands: their control ids, captions and command names, and the layout of
// the "Menu Bar" that every explorer starts with.
#pragma once

#include "base/WinTypes.h"

#include <functional>
#include <span>
#include <string>

namespace host {

inline constexpr LONG kMenuFile = 30002;
inline constexpr LONG kMenuTools = 30004;
inline constexpr LONG kCommandExit = 752;
inline constexpr LONG kCommandOptions = 522;
inline constexpr LONG kCommandSendReceive = 5577;
inline constexpr LONG kCommandSendReceiveAll = 7095;
inline constexpr LONG kCommandReminders = 6894;

// Ids of controls that run no command of the host (a blank control of an add-in).
inline constexpr LONG kCustomControlId = 1;

struct BuiltInCommand {
    LONG id;
    LONG type; // msoControlButton or msoControlPopup
    const char16_t* caption;
    const char* name; // the command's name for ribbon markup ("" when it has none)
    LONG parent;      // id of the popup that holds it on the menu bar, 0 for the bar itself
};

// Every built-in command, in menu-bar order.
std::span<const BuiltInCommand> BuiltInCommands();
const BuiltInCommand* FindBuiltInCommand(LONG id);
const BuiltInCommand* FindBuiltInCommand(std::string_view name);

// Runs the host's command `id`; the host gives one to every command bar it makes.
using CommandRunner = std::function<HRESULT(LONG id)>;

} // namespace host
