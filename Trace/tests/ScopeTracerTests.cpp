// The scope tracers, built into both test programs: the lines are the same in both forms.
#include "TraceScope.h"
#include "TraceTestSupport.h"

#include "base/DebugOutput.h"
#include "base/WinError.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <string>

namespace {

int g_entryLine, g_infoLine, g_failLine;

HRESULT OpenStore(bool returnEarly)
{
    HRESULT hr = S_OK;
    g_entryLine = __LINE__; TRACE_FUNC("CStore::Open", &hr);
    g_infoLine = __LINE__; TracePrint(__FILE__, __LINE__, TL_DEBUG, "opening %s\n", "Inbox");
    if (returnEarly) {
        hr = S_FALSE;
        return hr;
    }
    hr = E_FAIL;
    g_failLine = __LINE__; TracePrint(__FILE__, __LINE__, TL_ERROR, "OpenMsgStore() failed. hr=0x%08lx\n", hr);
    return hr;
}

int g_timerLine;

void OnTimer()
{
    g_timerLine = __LINE__; TRACE_PROC("OnTimer");
}

class CFolder {
public:
    CFolder()
    {
        CTraceCtor trace("CFolder", this);
    }
    ~CFolder()
    {
        CTraceDtor trace("CFolder", this);
    }
};

std::string At(char letter, int line)
{
    return "12:34:56 " + std::string(1, letter) + "[CL-ScopeTracerTests.cpp:" + std::to_string(line) + "] ";
}

class ScopeTracer : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previousLevel = TraceSetLevel(TL_CALL);
        TraceSetModuleLabel("CL");
    }
    void TearDown() override { TraceSetLevel(m_previousLevel); }

    TempRoot m_root;
    FixedTime m_time;
    platform::DebugOutputCapture m_debugger;
    int m_previousLevel = 0;
};

} // namespace

TEST_F(ScopeTracer, FailedMethodEndsWithItsResult)
{
    EXPECT_EQ(OpenStore(false), E_FAIL);
    EXPECT_EQ(m_debugger.joined(), At('C', g_entryLine) + "-->CStore::Open()\n" +
                                       At('D', g_infoLine) + "opening Inbox\n" +
                                       At('E', g_failLine) + "OpenMsgStore() failed. hr=0x80004005\n" +
                                       "<--CStore::Open(), ret = 80004005\n");
}

TEST_F(ScopeTracer, EarlyReturnStillWritesTheExitLine)
{
    EXPECT_EQ(OpenStore(true), S_FALSE);
    EXPECT_EQ(m_debugger.joined(), At('C', g_entryLine) + "-->CStore::Open()\n" + At('D', g_infoLine) +
                                       "opening Inbox\n<--CStore::Open(), ret = 1\n");
}

TEST_F(ScopeTracer, LevelTwoHidesEntryAndExitButKeepsOtherLines)
{
    TraceSetLevel(TL_DEBUG);
    OpenStore(false);
    OnTimer();
    EXPECT_EQ(m_debugger.joined(), At('D', g_infoLine) + "opening Inbox\n" + At('E', g_failLine) +
                                       "OpenMsgStore() failed. hr=0x80004005\n");
}

TEST_F(ScopeTracer, ProcedureConstructorAndDestructorLines)
{
    OnTimer();
    auto texts = m_debugger.texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], At('C', g_timerLine));
    EXPECT_EQ(texts[1], "-->OnTimer()\n");
    EXPECT_EQ(texts[2], "<--OnTimer()\n");

    m_debugger.clear();
    {
        CFolder folder;
        char address[32];
        std::snprintf(address, sizeof address, "%08lx", static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(&folder)));
        EXPECT_EQ(m_debugger.joined(), std::string("-->CFolder::CFolder(") + address + ")\n<--CFolder::CFolder()\n");
        m_debugger.clear();
        // folder's destructor runs here
        texts.clear();
        texts.push_back(address);
    }
    EXPECT_EQ(m_debugger.joined(), "-->CFolder::~CFolder(" + texts[0] + ")\n<--CFolder::~CFolder()\n");
}

TEST_F(ScopeTracer, AddressesKeepEveryDigit)
{
    {
        CTraceCtor trace("CStore", reinterpret_cast<const void*>(static_cast<std::uintptr_t>(0x12f4a0)));
    }
    EXPECT_EQ(m_debugger.texts().front(), "-->CStore::CStore(0012f4a0)\n");
    if constexpr (sizeof(void*) == 8) {
        m_debugger.clear();
        {
            CTraceDtor trace("CStore", reinterpret_cast<const void*>(static_cast<std::uintptr_t>(0x7ffd12345678ULL)));
        }
        EXPECT_EQ(m_debugger.texts().front(), "-->CStore::~CStore(7ffd12345678)\n");
    }
}
