#include "OptionsFixture.h"

#include "AddinCache.h"
#include "ExtPropertySheets.h"
#include "base/AnswerQueue.h"
#include "base/Sound.h"

namespace addintest {

void OptionsFixture::SetUp()
{
    platform::ClearAnswers();
    platform::ClearSoundRecords();
    AddinFixture::SetUp();
    CCOMAddin* addin = nullptr;
    ASSERT_EQ(CCOMAddin::CreateObject(&addin), S_OK);
    m_addin.Attach(addin);
}

void OptionsFixture::TearDown()
{
    CAddinDialog::SetModalPresenter(nullptr);
    host::SetPropertySheetPresenter(nullptr);
    m_addin = nullptr;
    m_session = nullptr;
    AddinCache::ClearEngine();
    platform::ClearAnswers();
    AddinFixture::TearDown();
}

void OptionsFixture::UseRealEngine()
{
    m_session = Extension(EECONTEXT_SESSION);
    ASSERT_NE(AddinCache::Engine(), nullptr);
}

void OptionsFixture::RunSheet(const std::function<void(host::PropertySheet& sheet, CPropPageOptionsMain& page)>& body)
{
    bool ran = false;
    host::SetPropertySheetPresenter([&](host::PropertySheet& sheet) {
        ASSERT_EQ(sheet.Pages().size(), 1u);
        CPropPageOptionsMain* page = CPropPageOptionsMain::FromWindow(sheet.Pages()[0].window);
        ASSERT_NE(page, nullptr);
        ran = true;
        body(sheet, *page);
    });
    EXPECT_EQ(m_addin->ConfigureReminders(nullptr), S_OK);
    host::SetPropertySheetPresenter(nullptr);
    EXPECT_TRUE(ran);
    EXPECT_FALSE(CExtPropertySheets::PagesGiven());
}

} // namespace addintest
