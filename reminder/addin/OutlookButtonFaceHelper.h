// COutlookButtonFaceHelper: gives a command-bar button of the host a face with transparency from
// a bitmap of the library, magenta (RGB 255, 0, 255) being transparent. Hosts whose buttons have
// Picture and Mask take two picture objects; older ones take the face only through PasteFace,
// which reads face and mask from the clipboard in two private formats whose names the host does
// not publish. Those names are learned once with a throw-away bar and button and kept under
// HKCU\Software\Microsoft\Office\9.0\Outlook\Clipboard. The user's clipboard contents are put
// back after PasteFace.
#pragma once

#include "base/Bitmap.h"
#include "com/Dispatch.h"

inline constexpr COLORREF kTransparentColour = RGB(255, 0, 255);
inline constexpr char kClipboardNamesKey[] = "Software\\Microsoft\\Office\\9.0\\Outlook\\Clipboard";

class COutlookButtonFaceHelper {
public:
    COutlookButtonFaceHelper();
    ~COutlookButtonFaceHelper();
    COutlookButtonFaceHelper(const COutlookButtonFaceHelper&) = delete;
    COutlookButtonFaceHelper& operator=(const COutlookButtonFaceHelper&) = delete;

    // The button's face from the bitmap; the caller keeps and deletes the bitmap.
    HRESULT SetFace(IDispatch* button, HBITMAP bitmap);
    // The two format names, from the registry or learned through the button's host.
    HRESULT GetClipboardNames(IDispatch* button);

    // A monochrome bitmap of the face's size whose set (white) pixels are the magenta ones.
    static HBITMAP CreateMask(HBITMAP face);

    const char* FaceFormatName() const { return m_faceFormatName; }
    const char* MaskFormatName() const { return m_maskFormatName; }

private:
    HRESULT SetPictureAndMask(IDispatch* button, HBITMAP bitmap, DISPID picture, DISPID mask);
    HRESULT PasteFace(IDispatch* button, DISPID pasteFace, HBITMAP bitmap);
    bool LoadFormatNames();
    HRESULT SaveFormatNames();
    HRESULT LearnFormatNames(IDispatch* button);
    static HRESULT CopyDummyImage();
    HRESULT DoGetClipBoardNames();
    // Face (packed DIB) and mask (48-byte header and bits) under the two formats.
    HRESULT CopyFaceAndMask(HBITMAP face);

    char m_faceFormatName[256] = "";
    char m_maskFormatName[256] = "";
};
