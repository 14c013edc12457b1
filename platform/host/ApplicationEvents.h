// The host application's outgoing event interface (a dispinterface): the add-ins advise a sink
// on the Application object's connection point for it and receive the events by Invoke.
#pragma once

#include "com/Dispatch.h"

inline constexpr IID DIID_ApplicationEvents = MakeGuid("0006304E-0000-0000-C000-000000000046");

inline constexpr DISPID DISPID_ApplicationEvents_ItemSend = 0xF002;        // (Item, Cancel)
inline constexpr DISPID DISPID_ApplicationEvents_NewMail = 0xF003;         // ()
inline constexpr DISPID DISPID_ApplicationEvents_Reminder = 0xF004;        // (Item)
inline constexpr DISPID DISPID_ApplicationEvents_OptionsPagesAdd = 0xF005; // (Pages)
inline constexpr DISPID DISPID_ApplicationEvents_Startup = 0xF006;         // ()
inline constexpr DISPID DISPID_ApplicationEvents_Quit = 0xF007;            // ()
