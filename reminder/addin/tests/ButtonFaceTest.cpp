// Button faces: a button with Picture and Mask takes two pictures and the clipboard and registry
// stay untouched; a button with only PasteFace gets face and mask through the clipboard in the
// host's private formats, whose names are learned once with a throw-away bar and button, and
// the clipboard's contents come back afterwards.
#include "AddinFixture.h"

#include "ModuleInstance.h"
#include "OutlookButtonFaceHelper.h"
#include "base/Bitmap.h"
#include "base/Clipboard.h"
#include "base/GlobalMemory.h"
#include "base/Resources.h"
#include "base/Utf.h"
#include "com/ComBstr.h"
#include "host/CommandBars.h"
#include "host/Explorer.h"
#include "registry/Registry.h"

#include <cstring>
#include <functional>
#include <map>

using namespace addintest;

namespace {

// A scriptable object of the host's object model: members by name, each a function of the call's
// arguments (last first) and its result.
class CFakeObject : public ComObject<CFakeObject, IDispatch> {
public:
    using Member = std::function<HRESULT(DISPPARAMS& params, VARIANT* result)>;

    void Add(const std::string& name, Member member)
    {
        m_names.push_back(name);
        m_members.push_back(std::move(member));
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        for (UINT i = 0; i < count; ++i) {
            const std::string name = platform::Utf16ToUtf8(names[i]);
            const auto it = std::find_if(m_names.begin(), m_names.end(),
                                         [&](const std::string& n) { return platform::EqualNoCase(n, name); });
            if (it == m_names.end())
                return DISP_E_UNKNOWNNAME;
            ids[i] = static_cast<DISPID>(it - m_names.begin()) + 1;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                     UINT*) override
    {
        if (id < 1 || static_cast<std::size_t>(id) > m_members.size())
            return DISP_E_MEMBERNOTFOUND;
        return m_members[static_cast<std::size_t>(id) - 1](*params, result);
    }

private:
    std::vector<std::string> m_names;
    std::vector<Member> m_members;
};

ComPtr<CFakeObject> NewFake()
{
    CFakeObject* made = nullptr;
    EXPECT_EQ(CFakeObject::CreateObject(&made), S_OK);
    ComPtr<CFakeObject> object;
    object.Attach(made);
    return object;
}

HRESULT ReturnObject(IDispatch* object, VARIANT* result)
{
    if (result) {
        VariantInit(result);
        result->vt = VT_DISPATCH;
        result->pdispVal = object;
        object->AddRef();
    }
    return S_OK;
}

std::vector<BYTE> BlockBytes(HANDLE data)
{
    const auto size = GlobalSize(static_cast<HGLOBAL>(data));
    const auto* p = static_cast<const BYTE*>(GlobalLock(static_cast<HGLOBAL>(data)));
    std::vector<BYTE> bytes(p, p + size);
    GlobalUnlock(static_cast<HGLOBAL>(data));
    return bytes;
}

void PutBlock(UINT format, const std::vector<BYTE>& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    ASSERT_NE(SetClipboardData(format, block), nullptr);
}

// Everything on the clipboard: each format with its bytes (a bitmap's pixels).
std::vector<std::pair<UINT, std::vector<BYTE>>> ClipboardContents()
{
    std::vector<std::pair<UINT, std::vector<BYTE>>> contents;
    if (!OpenClipboard(nullptr))
        return contents;
    for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f)) {
        HANDLE data = GetClipboardData(f);
        if (f == CF_BITMAP) {
            const ImagePixels pixels = *platform::BitmapPixels(static_cast<HBITMAP>(data));
            contents.emplace_back(f, pixels.rgba);
        } else {
            contents.emplace_back(f, BlockBytes(data));
        }
    }
    CloseClipboard();
    return contents;
}

bool RegistryHasNames()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kClipboardNamesKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::string RegistryName(const char* value)
{
    char text[256] = "";
    DWORD size = sizeof text, type = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kClipboardNamesKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "";
    RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<LPBYTE>(text), &size);
    RegCloseKey(key);
    return text;
}

// The 32-bit pixels (blue, green, red, unused) of a bitmap, rows top-down.
std::vector<BYTE> Pixels32(HBITMAP bitmap, int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<BYTE> bits(static_cast<std::size_t>(width * height * 4));
    EXPECT_EQ(GetDIBits(nullptr, bitmap, 0, static_cast<UINT>(height), bits.data(), &info, DIB_RGB_COLORS), height);
    return bits;
}

// The host's behaviour behind PasteFace and CopyFace, for a host whose buttons have no Picture
// and Mask: a throw-away bar and button, the two private formats, and what the target button
// received.
class PasteFaceHost {
public:
    PasteFaceHost()
    {
        application = NewFake();
        explorer = NewFake();
        bars = NewFake();
        tempBar = NewFake();
        controls = NewFake();
        tempButton = NewFake();
        target = NewFake();

        target->Add("Application", [this](DISPPARAMS&, VARIANT* r) { return ReturnObject(application.get(), r); });
        target->Add("PasteFace", [this](DISPPARAMS&, VARIANT*) {
            log.push_back("target PasteFace");
            if (!OpenClipboard(nullptr))
                return E_FAIL;
            if (HANDLE f = GetClipboardData(RegisterClipboardFormatA("Test Face")))
                face = BlockBytes(f);
            if (HANDLE m = GetClipboardData(RegisterClipboardFormatA("Test Mask")))
                mask = BlockBytes(m);
            CloseClipboard();
            return S_OK;
        });
        application->Add("ActiveExplorer", [this](DISPPARAMS&, VARIANT* r) { return ReturnObject(explorer.get(), r); });
        explorer->Add("CommandBars", [this](DISPPARAMS&, VARIANT* r) { return ReturnObject(bars.get(), r); });
        bars->Add("Add", [this](DISPPARAMS& p, VARIANT* r) {
            // (Name, Position, MenuBar, Temporary): a temporary bar.
            if (p.cArgs != 4 || p.rgvarg[0].vt != VT_BOOL || p.rgvarg[0].boolVal != VARIANT_TRUE)
                return E_INVALIDARG;
            log.push_back("bar added");
            return Step("bar", ReturnObject(tempBar.get(), r));
        });
        tempBar->Add("Controls", [this](DISPPARAMS&, VARIANT* r) { return ReturnObject(controls.get(), r); });
        tempBar->Add("Delete", [this](DISPPARAMS&, VARIANT*) {
            log.push_back("bar deleted");
            return S_OK;
        });
        controls->Add("Add", [this](DISPPARAMS& p, VARIANT* r) {
            // (Type, Id, Parameter, Before, Temporary): a temporary button.
            if (p.cArgs != 5 || p.rgvarg[4].vt != VT_I4 || p.rgvarg[4].lVal != 1 || p.rgvarg[0].vt != VT_BOOL ||
                p.rgvarg[0].boolVal != VARIANT_TRUE)
                return E_INVALIDARG;
            log.push_back("button added");
            return Step("button", ReturnObject(tempButton.get(), r));
        });
        tempButton->Add("Style", [this](DISPPARAMS& p, VARIANT*) {
            log.push_back("style " + std::to_string(p.cArgs == 1 ? p.rgvarg[0].lVal : -1));
            return Step("style", S_OK);
        });
        tempButton->Add("PasteFace", [this](DISPPARAMS&, VARIANT*) {
            // The dummy image: one monochrome pixel.
            bool dummy = false;
            if (OpenClipboard(nullptr)) {
                HANDLE b = GetClipboardData(CF_BITMAP);
                BITMAP info{};
                dummy = b && GetObjectA(b, sizeof info, &info) && info.bmWidth == 1 && info.bmBitsPixel == 1;
                CloseClipboard();
            }
            log.push_back(dummy ? "dummy pasted" : "no dummy");
            return Step("paste", S_OK);
        });
        tempButton->Add("CopyFace", [this](DISPPARAMS&, VARIANT*) {
            log.push_back("face copied");
            if (failAt == "copy")
                return E_FAIL;
            OpenClipboard(nullptr);
            EmptyClipboard();
            // The mask's format first: the larger block is the face whatever the order.
            PutBlock(RegisterClipboardFormatA("Test Mask"), std::vector<BYTE>(72, 1));
            PutBlock(CF_TEXT, {'x', 0});
            PutBlock(RegisterClipboardFormatA("Test Face"), std::vector<BYTE>(1064, 2));
            CloseClipboard();
            return S_OK;
        });
        tempButton->Add("Delete", [this](DISPPARAMS&, VARIANT*) {
            log.push_back("button deleted");
            return S_OK;
        });
    }

    HRESULT Step(const std::string& step, HRESULT hr) { return step == failAt ? E_FAIL : hr; }

    ComPtr<CFakeObject> application, explorer, bars, tempBar, controls, tempButton, target;
    std::vector<std::string> log;
    std::string failAt;
    std::vector<BYTE> face, mask;
};

class ButtonFaceTest : public AddinFixture {
protected:
    void SetUp() override
    {
        AddinFixture::SetUp();
        face = LoadBitmapA(ModuleInstance(), MAKEINTRESOURCEA(249));
        ASSERT_NE(face, nullptr);
        // The user's clipboard: a text and a picture.
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        PutBlock(CF_TEXT, {'h', 'i', 0});
        const BYTE white[2] = {0xC0, 0};
        SetClipboardData(CF_BITMAP, CreateBitmap(2, 1, 1, 1, white));
        CloseClipboard();
        before = ClipboardContents();
        ASSERT_EQ(before.size(), 2u);
    }
    void TearDown() override
    {
        DeleteObject(face);
        OpenClipboard(nullptr);
        EmptyClipboard();
        CloseClipboard();
        AddinFixture::TearDown();
    }

    HBITMAP face = nullptr;
    std::vector<std::pair<UINT, std::vector<BYTE>>> before;
};

} // namespace

TEST_F(ButtonFaceTest, TheMaskIsExactlyTheMagentaPixels)
{
    // Magenta, colours next to it, black and white, across a row longer than one word.
    constexpr int kWidth = 19, kHeight = 2;
    std::vector<BYTE> bits(kWidth * kHeight * 4, 0);
    auto set = [&](int x, int y, BYTE r, BYTE g, BYTE b) {
        BYTE* p = &bits[static_cast<std::size_t>((y * kWidth + x) * 4)];
        p[0] = b, p[1] = g, p[2] = r;
    };
    for (int x = 0; x < kWidth; ++x)
        set(x, 0, 255, 255, 255);
    for (int x : {0, 7, 8, 16, 18})
        set(x, 0, 255, 0, 255);
    set(1, 1, 254, 0, 255);
    set(2, 1, 255, 1, 255);
    set(3, 1, 255, 0, 254);
    set(17, 1, 255, 0, 255);
    HBITMAP bitmap = CreateBitmap(kWidth, kHeight, 1, 32, bits.data());
    HBITMAP mask = COutlookButtonFaceHelper::CreateMask(bitmap);
    ASSERT_NE(mask, nullptr);
    BITMAP info{};
    ASSERT_EQ(GetObjectA(mask, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmBitsPixel, 1);
    EXPECT_EQ(info.bmWidth, kWidth);
    const std::vector<BYTE> shown = Pixels32(mask, kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const bool magenta = (y == 0 && (x == 0 || x == 7 || x == 8 || x == 16 || x == 18)) || (y == 1 && x == 17);
            EXPECT_EQ(shown[static_cast<std::size_t>((y * kWidth + x) * 4)], magenta ? 255 : 0) << x << "," << y;
        }
    DeleteObject(mask);
    DeleteObject(bitmap);
}

TEST_F(ButtonFaceTest, AButtonWithPictureAndMaskLeavesClipboardAndRegistryAlone)
{
    ComPtr<_Explorer> explorer;
    program->Application()->ActiveExplorer(explorer.put());
    ComPtr<CommandBarControl> control;
    VARIANT missing;
    VariantInit(&missing);
    ASSERT_EQ(static_cast<CExplorer*>(explorer.get())->Bars()->MenuBar()->Controls()->Add(missing, missing, missing,
                                                                                          missing, missing, control.put()),
              S_OK);
    ComPtr<IDispatch> button;
    ASSERT_EQ(control.As(button), S_OK);
    COutlookButtonFaceHelper helper;
    ASSERT_EQ(helper.SetFace(button.get(), face), S_OK);
    EXPECT_EQ(ClipboardContents(), before);
    EXPECT_FALSE(RegistryHasNames());

    // The button's mask is white exactly where the face is magenta.
    host::CommandBarControlNode* node = nullptr;
    for (host::CommandBarControlNode* n : static_cast<CExplorer*>(explorer.get())->Bars()->MenuBar()->Controls()->Nodes())
        if (n->Interface().get() == control.get())
            node = n;
    ASSERT_NE(node, nullptr);
    const host::ControlState& state = node->State();
    ASSERT_TRUE(state.face && state.mask);
    const std::vector<BYTE> pixels = Pixels32(face, 16, 16);
    int magenta = 0;
    for (std::size_t i = 0; i < 16 * 16; ++i) {
        const bool isMagenta = pixels[i * 4] == 255 && pixels[i * 4 + 1] == 0 && pixels[i * 4 + 2] == 255;
        magenta += isMagenta;
        EXPECT_EQ(state.mask->rgba[i * 4], isMagenta ? 255 : 0) << i;
        EXPECT_EQ(state.face->rgba[i * 4 + 1], pixels[i * 4 + 1]) << i; // the face's own green
    }
    EXPECT_GT(magenta, 0);
    EXPECT_LT(magenta, 256);
    // The helper's bitmap stays the caller's.
    BITMAP info{};
    EXPECT_EQ(GetObjectA(face, sizeof info, &info), static_cast<int>(sizeof info));
}

TEST_F(ButtonFaceTest, PasteFaceLearnsTheFormatNamesOnceAndPutsTheClipboardBack)
{
    PasteFaceHost host;
    COutlookButtonFaceHelper helper;
    ASSERT_EQ(helper.SetFace(host.target.get(), face), S_OK);
    EXPECT_EQ(host.log, (std::vector<std::string>{"bar added", "button added", "style 2", "dummy pasted", "face copied",
                                                  "button deleted", "bar deleted", "target PasteFace"}));
    EXPECT_STREQ(helper.FaceFormatName(), "Test Face");
    EXPECT_STREQ(helper.MaskFormatName(), "Test Mask");
    EXPECT_EQ(RegistryName("FaceFormatName"), "Test Face");
    EXPECT_EQ(RegistryName("MaskFormatName"), "Test Mask");
    EXPECT_EQ(ClipboardContents(), before);

    // The face: a packed DIB of the bitmap at its depth.
    ASSERT_GE(host.face.size(), 40u + 16 * 16 * 4);
    BITMAPINFOHEADER header;
    std::memcpy(&header, host.face.data(), sizeof header);
    EXPECT_EQ(header.biSize, 40u);
    EXPECT_EQ(header.biWidth, 16);
    EXPECT_EQ(header.biHeight, 16);
    EXPECT_EQ(header.biBitCount, 32);
    EXPECT_EQ(host.face.size(), 40u + 16 * 16 * 4);
    // The mask: header and two colours (48 bytes), then 16 rows of a DWORD each, bottom-up.
    ASSERT_EQ(host.mask.size(), 48u + 16 * 4);
    std::memcpy(&header, host.mask.data(), sizeof header);
    EXPECT_EQ(header.biBitCount, 1);
    const std::vector<BYTE> pixels = Pixels32(face, 16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const BYTE* p = &pixels[static_cast<std::size_t>((y * 16 + x) * 4)];
            const bool isMagenta = p[0] == 255 && p[1] == 0 && p[2] == 255;
            const BYTE row = host.mask[48 + static_cast<std::size_t>(15 - y) * 4 + static_cast<std::size_t>(x / 8)];
            EXPECT_EQ(((row >> (7 - x % 8)) & 1) != 0, isMagenta) << x << "," << y;
        }

    // Known names: no throw-away bar or button any more.
    host.log.clear();
    COutlookButtonFaceHelper second;
    ASSERT_EQ(second.SetFace(host.target.get(), face), S_OK);
    EXPECT_EQ(host.log, std::vector<std::string>{"target PasteFace"});
    EXPECT_EQ(ClipboardContents(), before);
}

TEST_F(ButtonFaceTest, AFailingStepRemovesTheThrowAwayBarAndButton)
{
    for (const char* step : {"copy", "style", "paste"}) {
        PasteFaceHost host;
        host.failAt = step;
        COutlookButtonFaceHelper helper;
        EXPECT_EQ(helper.SetFace(host.target.get(), face), E_FAIL) << step;
        EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "button deleted"), 1) << step;
        EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "bar deleted"), 1) << step;
        EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "target PasteFace"), 0) << step;
        EXPECT_FALSE(RegistryHasNames()) << step;
        EXPECT_EQ(ClipboardContents(), before) << step;
    }
    // A failing button leaves no bar behind; a failing bar stops there.
    PasteFaceHost host;
    host.failAt = "button";
    COutlookButtonFaceHelper helper;
    EXPECT_EQ(helper.SetFace(host.target.get(), face), E_FAIL);
    EXPECT_EQ(host.log, (std::vector<std::string>{"bar added", "button added", "bar deleted"}));
    host.log.clear();
    host.failAt = "bar";
    EXPECT_EQ(helper.SetFace(host.target.get(), face), E_FAIL);
    EXPECT_EQ(host.log, std::vector<std::string>{"bar added"});
}

TEST_F(ButtonFaceTest, AButtonWithoutAnyFaceMemberIsRefused)
{
    ComPtr<CFakeObject> plain = NewFake();
    plain->Add("Caption", [](DISPPARAMS&, VARIANT*) { return S_OK; });
    COutlookButtonFaceHelper helper;
    EXPECT_EQ(helper.SetFace(plain.get(), face), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ClipboardContents(), before);
}
