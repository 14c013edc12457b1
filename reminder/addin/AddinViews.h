// The add-in's windows without a display, and the toolkit views that show them when the host
// runs one. The logic (dialogs, the options page, lists, the folder tree, bitmap buttons) lives
// in the add-in library and works headless; when the host runs a toolkit display, the library
// loads its views library (liblumivane_views.so, beside it) and asks it for a view of each
// window. The views reach the logic only through these interfaces (virtual calls), the
// platform's window functions and the platform's tree control, so the views library needs no
// symbol of the add-in library and the add-in library never links the toolkit.
#pragma once

#include "base/Bitmap.h"
#include "base/WinMessages.h"
#include "base/WinTypes.h"
// After the platform types it uses.
#include "DialogTemplate.h"
#include "IListModel.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class CTreeCtrl;

// A push button that paints an image of a strip itself (CBitmapButtonEx): what one paint draws,
// and the state its view reports.
class IBitmapButtonModel {
public:
    enum class Edge { None, RaisedInner, Raised, SunkenOuter, Sunken };
    struct Paint {
        bool themed = false;     // the visual style's push-button face, in themeState
        int themeState = 1;      // PBS_NORMAL
        bool flatFace = false;   // unthemed: the face filled with the button-face colour
        int image = 0;           // index of the image strip
        POINT imageAt{};         // the image's top-left corner in the client rectangle
        Edge edge = Edge::None;  // unthemed with a 3D style
        bool focusRect = false;  // a focus rectangle of `focus`
        RECT focus{};
    };

    virtual ~IBitmapButtonModel() = default;
    virtual HWND Window() const = 0;
    // The image strip: a bitmap resource of the add-in, images `ImageWidth` wide, pixels of
    // `MaskColour` transparent.
    virtual UINT ImageListBitmap() const = 0;
    virtual int ImageWidth() const = 0;
    virtual COLORREF MaskColour() const = 0;
    virtual void SetMouseOver(bool over) = 0;
    virtual void SetFocus(bool focus) = 0;
    virtual void SetPressed(bool pressed) = 0;
    virtual Paint DoPaint(const RECT& client, int imageHeight) const = 0;
};

// What a dialog's logic tells the view that shows it.
class IDialogView {
public:
    virtual ~IDialogView() = default;
    // An item was shown or hidden (ShowItem).
    virtual void OnShowItem(int id, bool show) = 0;
    // A modal dialog ended with this result.
    virtual void OnEnd(INT_PTR result) = 0;
    // The dialog's logic is gone (a modeless one deletes itself after its last message): the
    // view must not reach it any more.
    virtual void OnModelGone() {}
    // A property page: the display area of the sheet's tab control in the sheet's client
    // coordinates (nothing when not known), and moving the page there.
    virtual std::optional<RECT> TabDisplayArea() { return std::nullopt; }
    virtual void MovePage(int, int) {}
};

// A dialog without a display: its window (whose children are its controls by id), its layout,
// its lists, tree and bitmap buttons, and its end when it runs modally.
class IDialogModel {
public:
    virtual ~IDialogModel() = default;
    virtual HWND Window() const = 0;
    // The dialog's resource id.
    virtual UINT TemplateId() const = 0;
    // Its controls in dialog units (a view makes its controls from them), or null when the view
    // lays the dialog out itself by its resource id.
    virtual const DialogTemplate* Layout() const = 0;
    // The module whose resources (bitmaps, icons) the layout names.
    virtual HINSTANCE ResourceModule() const = 0;
    // The list, tree or bitmap button of that control id (null when there is none).
    virtual IListModel* List(int id) = 0;
    virtual CTreeCtrl* Tree(int id) = 0;
    virtual IBitmapButtonModel* Button(int id) = 0;
    // Whether the item is shown (items start as the layout says).
    virtual bool IsItemShown(int id) const = 0;
    // The view that shows the dialog (null: none); the logic tells it what changes.
    virtual void SetView(IDialogView* view) = 0;
    virtual bool IsEnded() const = 0;
    virtual INT_PTR Result() const = 0;
};

// What the views library offers.
struct AddinViewHooks {
    // A modeless window's view; it closes when the dialog's window is destroyed.
    void (*showModeless)(IDialogModel& dialog);
    // Shows the dialog modally over `owner` until the logic ends it; returns its result.
    INT_PTR (*runModal)(IDialogModel& dialog, HWND owner);
    // A property page's view as a child of the toolkit window `parent` (a wxWindow*), or null.
    void* (*createPageView)(void* parent, IDialogModel& page);
};

// The views library's entry: fills the hooks; false when it cannot show windows.
using AddinViewsEntry = bool (*)(AddinViewHooks* hooks);
inline constexpr char kAddinViewsEntry[] = "LumivaneViews";

// The views while a toolkit display runs (loaded on first use), else null.
const AddinViewHooks* AddinViews();
// For tests: views of the test's own, or null to go back to loading the library.
void SetAddinViews(const AddinViewHooks* hooks);
