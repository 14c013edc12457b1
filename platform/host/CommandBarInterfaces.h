// The command-bar part of the host's object model: the bars of a window, their controls, and
// the button events. Add-ins reach these early-bound (these vtables) or late-bound (IDispatch
// with the member names).
#pragma once

#include "com/Dispatch.h"
#include "com/Variant.h"

struct CommandBar;
struct CommandBarControl;
struct CommandBarControls;

// Control types.
inline constexpr LONG msoControlCustom = 0;
inline constexpr LONG msoControlButton = 1;
inline constexpr LONG msoControlPopup = 10;

// Button styles.
inline constexpr LONG msoButtonAutomatic = 0;
inline constexpr LONG msoButtonIcon = 1;
inline constexpr LONG msoButtonCaption = 2;
inline constexpr LONG msoButtonIconAndCaption = 3;

struct _CommandBars : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* count) = 0;
    // Index: 1-based number or the bar's name (case-insensitive).
    virtual HRESULT STDMETHODCALLTYPE get_Item(VARIANT Index, CommandBar** bar) = 0;
    virtual HRESULT STDMETHODCALLTYPE Add(VARIANT Name, VARIANT Position, VARIANT MenuBar, VARIANT Temporary,
                                          CommandBar** bar) = 0;
    // Searches every bar, popups included; no match gives S_OK and null.
    virtual HRESULT STDMETHODCALLTYPE FindControl(VARIANT Type, VARIANT Id, VARIANT Tag, VARIANT Visible,
                                                  CommandBarControl** control) = 0;
};
PLATFORM_DECLARE_IID(_CommandBars, "000C0302-0000-0000-C000-000000000046");

struct CommandBar : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Index(LONG* index) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Controls(CommandBarControls** controls) = 0;
    // Recursive TRUE also searches the popups' controls; no match gives S_OK and null.
    virtual HRESULT STDMETHODCALLTYPE FindControl(VARIANT Type, VARIANT Id, VARIANT Tag, VARIANT Visible,
                                                  VARIANT Recursive, CommandBarControl** control) = 0;
    virtual HRESULT STDMETHODCALLTYPE Delete() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* visible) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL visible) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BuiltIn(VARIANT_BOOL* builtIn) = 0;
};
PLATFORM_DECLARE_IID(CommandBar, "000C0304-0000-0000-C000-000000000046");

struct CommandBarControls : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Item(VARIANT Index, CommandBarControl** control) = 0;
    // Type: msoControlButton (default) or msoControlPopup; Id: 1 (or missing) for a blank
    // control, else a copy of that built-in command; Before: 1-based position, missing for
    // the end.
    virtual HRESULT STDMETHODCALLTYPE Add(VARIANT Type, VARIANT Id, VARIANT Parameter, VARIANT Before,
                                          VARIANT Temporary, CommandBarControl** control) = 0;
};
PLATFORM_DECLARE_IID(CommandBarControls, "000C0306-0000-0000-C000-000000000046");

struct CommandBarControl : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Id(LONG* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Type(LONG* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Index(LONG* index) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* visible) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL visible) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* enabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL enabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Tag(BSTR* tag) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Tag(BSTR tag) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Caption(BSTR* caption) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Caption(BSTR caption) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BeginGroup(VARIANT_BOOL* beginGroup) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_BeginGroup(VARIANT_BOOL beginGroup) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_TooltipText(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_TooltipText(BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DescriptionText(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_DescriptionText(BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Parameter(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Parameter(BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BuiltIn(VARIANT_BOOL* builtIn) = 0;
    // Removes the control from its bar; later calls on it fail.
    virtual HRESULT STDMETHODCALLTYPE Delete(VARIANT Temporary) = 0;
    // Runs the control as a click would: events to the advised sinks, then the command.
    virtual HRESULT STDMETHODCALLTYPE Execute() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Parent(CommandBar** bar) = 0;
};
PLATFORM_DECLARE_IID(CommandBarControl, "000C0308-0000-0000-C000-000000000046");

struct _CommandBarButton : CommandBarControl {
    virtual HRESULT STDMETHODCALLTYPE get_Style(LONG* style) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Style(LONG style) = 0;
    // Face and mask: picture objects (IDispatch) of a bitmap or an icon; the mask's white pixels
    // make the face transparent.
    virtual HRESULT STDMETHODCALLTYPE get_Picture(IDispatch** picture) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Picture(IDispatch* picture) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Mask(IDispatch** mask) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Mask(IDispatch* mask) = 0;
};
PLATFORM_DECLARE_IID(_CommandBarButton, "000C030E-0000-0000-C000-000000000046");

struct CommandBarPopup : CommandBarControl {
    virtual HRESULT STDMETHODCALLTYPE get_Controls(CommandBarControls** controls) = 0;
};
PLATFORM_DECLARE_IID(CommandBarPopup, "000C030A-0000-0000-C000-000000000046");

// Outgoing dispinterface of buttons: Click(IDispatch* Ctrl, VARIANT_BOOL* CancelDefault).
inline constexpr IID DIID__CommandBarButtonEvents = MakeGuid("000C0351-0000-0000-C000-000000000046");
inline constexpr DISPID DISPID_CommandBarButtonEvents_Click = 1;
