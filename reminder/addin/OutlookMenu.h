// The explorer menu command of hosts below major version 14: a temporary button in the host's
// Tools menu (menu 30004) of every explorer window, placed before the host's own command 6894,
// which is hidden while the add-in's button shows. The engine calls InstallOutlookMenu(TRUE)
// when it is enabled and InstallOutlookMenu(FALSE) when it is disabled; the sinks follow the
// explorers as they open, activate, deactivate and close.
#pragma once

#include "host/CommandBarInterfaces.h"

#include <cstddef>

class CButtonSink;
class CExplorerSink;

inline constexpr LONG kReminderCommandId = 6894;
inline constexpr LONG kToolsMenuId = 30004;
inline constexpr char16_t kMenuButtonTag[] = u"Show Lumivane Window";
inline constexpr UINT kMenuCaptionString = 200;
inline constexpr UINT kMenuFaceBitmap = 249;

// Show: the Explorers sink, and a sink on every explorer that has none yet (the buttons appear
// as the explorers activate). Hide: every button sink and explorer sink is let go, and each
// explorer loses the add-in's button and shows command 6894 again. Nothing without a cached
// Application.
HRESULT InstallOutlookMenu(BOOL show);
// One explorer: shows or hides its button (`button` is the explorer sink's), making it on the
// first show. Nothing on hosts of major version 14 and later.
HRESULT InstallOutlookMenu(IUnknown* explorer, BOOL show, CommandBarControl** button);
// The add-in's button deleted from one explorer, the host's command 6894 shown again.
HRESULT RemoveOutlookMenu(IUnknown* explorer);

namespace OutlookMenu {

// The explorer sinks, by the explorer's identity (IUnknown).
CExplorerSink* FindExplorerSink(IUnknown* explorer);
// Makes and advises a sink for the explorer unless it has one; the explorer's sink.
CExplorerSink* AddExplorerSink(IDispatch* explorer);
// Unadvises and lets go of the explorer's sink.
void RemoveExplorerSink(IUnknown* explorer);

// The explorer map: the button sink of each explorer's button.
CButtonSink* FindButtonSink(IUnknown* explorer);
void AddButtonSink(IUnknown* explorer, CButtonSink* sink);
// Unadvises and lets go of the explorer's button sink.
void RemoveButtonSink(IUnknown* explorer);

std::size_t ExplorerSinkCount();
std::size_t ButtonSinkCount();
bool HasExplorersSink();

} // namespace OutlookMenu
