// Button faces: Picture and Mask take picture objects, keep copies of their pixels, show the face
// with the mask's white pixels transparent, and `controls` prints the face's size.
#include "HostFixture.h"
#include "VirtualDisplay.h"

#include "base/Bitmap.h"
#include "com/ComBstr.h"
#include "com/ErrorInfo.h"
#include "com/Picture.h"
#include "host/ButtonFace.h"
#include "host/CommandBars.h"
#include "host/Explorer.h"

#include <algorithm>

namespace {

class ButtonFaces : public HostFixture {
protected:
    // The test add-in's button in the active explorer's Tools menu (version 12: menus).
    host::CommandBarControlNode* TestButton(host::HostProgram& program)
    {
        ComPtr<_Explorer> explorer;
        program.Application()->ActiveExplorer(explorer.put());
        for (const ComPtr<CCommandBar>& bar : static_cast<CExplorer*>(explorer.get())->Bars()->Bars())
            if (auto* node = bar->Controls()->Find(std::nullopt, std::nullopt, std::u16string(u"Host Test Button"),
                                                   std::nullopt, true))
                return node;
        return nullptr;
    }

    std::unique_ptr<host::HostProgram> Start()
    {
        host::HostOptions options;
        options.version = "12.0.6423.1000";
        return StartHost(options);
    }

    // A picture of a bitmap (not owning it) or of an icon (owning it).
    static ComPtr<IDispatch> PictureOf(HBITMAP bitmap, HICON icon = nullptr)
    {
        PICTDESC desc{};
        desc.cbSizeofstruct = sizeof desc;
        desc.picType = icon ? PICTYPE_ICON : PICTYPE_BITMAP;
        if (icon)
            desc.icon.hicon = icon;
        else
            desc.bmp.hbitmap = bitmap;
        ComPtr<IDispatch> picture;
        EXPECT_EQ(OleCreatePictureIndirect(&desc, IID_OF(IPictureDisp), icon ? TRUE : FALSE, picture.put_void()), S_OK);
        return picture;
    }
};

} // namespace

TEST_F(ButtonFaces, TheButtonKeepsCopiesOfFaceAndMaskAndControlsPrintsTheFace)
{
    setenv("HOST_TEST_FACE", "1", 1);
    RegisterAddIn();
    auto program = Start();
    unsetenv("HOST_TEST_FACE");
    const auto log = AddInLog();
    ASSERT_NE(std::find(log.begin(), log.end(), "face put"), log.end());
    host::CommandBarControlNode* button = TestButton(*program);
    ASSERT_NE(button, nullptr);
    // The add-in deleted its bitmaps; the button's copies stay.
    ASSERT_TRUE(button->State().face.has_value());
    EXPECT_EQ(button->State().face->width, 16);
    ASSERT_TRUE(button->State().mask.has_value());
    const ImagePixels shown = *host::ShownFace(button->State());
    auto alpha = [&](int x, int y) { return shown.rgba[static_cast<std::size_t>(y * 16 + x) * 4 + 3]; };
    EXPECT_EQ(alpha(0, 0), 0);    // magenta: transparent
    EXPECT_EQ(alpha(15, 4), 0);
    EXPECT_EQ(alpha(5, 5), 255);  // the square: opaque
    EXPECT_EQ(shown.rgba[(5 * 16 + 5) * 4], 0); // red 0, blue 200
    EXPECT_EQ(shown.rgba[(5 * 16 + 5) * 4 + 2], 200);

    out.str("");
    program->Execute("controls");
    EXPECT_NE(out.str().find("tag=\"Host Test Button\" caption=\"Test Add-In\" face=16x16\n"), std::string::npos)
        << out.str();
    EXPECT_EQ(out.str().find("face=", out.str().find("face=") + 1), std::string::npos); // only that button has one
}

TEST_F(ButtonFaces, AMenuDroppedDownListsWhatItShowsUntilClosed)
{
    setenv("HOST_TEST_FACE", "1", 1);
    RegisterAddIn();
    auto program = Start();
    unsetenv("HOST_TEST_FACE");
    ComPtr<_Explorer> active;
    program->Application()->ActiveExplorer(active.put());
    auto* explorer = static_cast<CExplorer*>(active.get());

    out.str("");
    program->Execute("menu tools"); // the caption without its '&', in any case
    const std::string shown = out.str();
    EXPECT_EQ(shown.rfind("menu \"Tools\"\n", 0), 0u) << shown;
    EXPECT_NE(shown.find("  \"Test Add-In\" face=16x16\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("  \"Options...\"\n"), std::string::npos) << shown;
    ASSERT_NE(program->Dropped().Find(explorer), nullptr);

    // A button showing its caption alone shows no face.
    ComPtr<_CommandBarButton> button;
    ASSERT_EQ(TestButton(*program)->Interface().As(button), S_OK);
    ASSERT_EQ(button->put_Style(msoButtonCaption), S_OK);
    out.str("");
    program->Execute("menu Tools");
    EXPECT_NE(out.str().find("  \"Test Add-In\"\n"), std::string::npos) << out.str();

    out.str("");
    program->Execute("menu Nothing");
    EXPECT_EQ(out.str(), "error: the menu bar has no menu \"Nothing\"\n");
    program->Execute("menu");
    EXPECT_EQ(program->Dropped().Find(explorer), nullptr);

    // Closing its explorer closes the menu.
    program->Execute("menu Tools");
    program->Execute("close");
    EXPECT_EQ(program->Dropped().Find(explorer), nullptr);
}

TEST_F(ButtonFaces, PicturesComeBackAsNewPicturesOfTheCopies)
{
    RegisterAddIn();
    auto program = Start();
    ComPtr<_CommandBarButton> button;
    ASSERT_EQ(TestButton(*program)->Interface().As(button), S_OK);
    ComPtr<IDispatch> none;
    EXPECT_EQ(button->get_Picture(none.put()), S_OK);
    EXPECT_EQ(none, nullptr);

    HBITMAP bitmap = CreateBitmap(4, 2, 1, 32, nullptr);
    ASSERT_EQ(button->put_Picture(PictureOf(bitmap).get()), S_OK);
    DeleteObject(bitmap);
    ComPtr<IDispatch> back;
    ASSERT_EQ(button->get_Picture(back.put()), S_OK);
    ComPtr<IPicture> picture;
    ASSERT_EQ(back.As(picture), S_OK);
    OLE_HANDLE handle = 0;
    picture->get_Handle(&handle);
    EXPECT_NE(reinterpret_cast<HBITMAP>(handle), bitmap);
    EXPECT_EQ(platform::BitmapPixels(reinterpret_cast<HBITMAP>(handle))->width, 4);

    // An icon picture is a face too; an object that is no picture is refused and changes nothing.
    HICON icon = platform::CreateIconFromPixels(ImagePixels{2, 2, std::vector<std::uint8_t>(16, 255)});
    ASSERT_EQ(button->put_Mask(PictureOf(nullptr, icon).get()), S_OK);
    EXPECT_EQ(TestButton(*program)->State().mask->width, 2);
    ComPtr<_CommandBarButton> notAPicture;
    TestButton(*program)->Interface().As(notAPicture);
    EXPECT_EQ(button->put_Picture(notAPicture.get()), E_INVALIDARG);
    EXPECT_EQ(TestButton(*program)->State().face->width, 4);
    // A mask of another size leaves the face opaque.
    EXPECT_EQ(host::ShownFace(TestButton(*program)->State())->rgba[3], 255);
    EXPECT_EQ(button->put_Picture(nullptr), S_OK);
    EXPECT_FALSE(TestButton(*program)->State().face.has_value());
}

TEST_F(ButtonFaces, TheWindowedExplorerShowsTheFaceInItsMenu)
{
    if (!VirtualDisplay::Available())
        GTEST_SKIP() << "Xvfb is not installed";
    RegisterAddIn();
    std::vector<std::string> lines;
    std::string text;
    ASSERT_EQ(RunWindowedHost("controls\nquit\n", lines, &text, "HOST_TEST_FACE=1", "--version 12.0.6423.1000"), 0)
        << text;
    EXPECT_NE(text.find("caption=\"Test Add-In\" face=16x16"), std::string::npos) << text;
    EXPECT_EQ(lines.back(), "host stopped");
}
