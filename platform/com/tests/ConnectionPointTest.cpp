#include "TestAccount.h"
#include "TestPlain.h"
#include "com/Advise.h"
#include "com/ComPtr.h"
#include "com/ConnectionPoints.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Receives the account's events through IDispatch and records them.
class CEventSink : public ComObject<CEventSink, IDispatch> {
public:
    struct Event {
        DISPID id;
        LONG value;
    };

    HRESULT QueryExtraInterface(REFIID riid, void** ppv)
    {
        if (!IsEqualIID(riid, DIID_IAccountEvents))
            return E_NOINTERFACE;
        *ppv = static_cast<IDispatch*>(this);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override
    {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override
    {
        EXPECT_EQ(flags, DISPATCH_METHOD);
        EXPECT_EQ(params->cArgs, 1u);
        VARIANT value;
        VariantInit(&value);
        VariantChangeType(&value, &params->rgvarg[0], 0, VT_I4);
        events.push_back({id, value.lVal});
        if (unadviseOnEvent) {
            unadviseOnEvent->Unadvise(cookie);
            unadviseOnEvent = nullptr;
        }
        return S_OK;
    }

    std::vector<Event> events;
    IConnectionPoint* unadviseOnEvent = nullptr;
    DWORD cookie = 0;
};

// A sink without the events interface.
class CDeafSink : public ComObject<CDeafSink, IDispatch> {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
};

class ConnectionPoints : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CTestAccount::CreateObject(&account), S_OK);
        ASSERT_EQ(account->QueryInterface(IID_OF(IConnectionPointContainer), container.put_void()), S_OK);
        ASSERT_EQ(CEventSink::CreateObject(&sink), S_OK);
    }
    void TearDown() override
    {
        point = nullptr;
        container = nullptr;
        EXPECT_EQ(account->Release(), 0u);
        EXPECT_EQ(sink->Release(), 0u);
    }

    CTestAccount* account = nullptr;
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    CEventSink* sink = nullptr;
};

TEST_F(ConnectionPoints, EventsReachAdvisedSinksUntilUnadvise)
{
    ASSERT_EQ(container->FindConnectionPoint(DIID_IAccountEvents, point.put()), S_OK);
    IID iid{};
    point->GetConnectionInterface(&iid);
    EXPECT_TRUE(IsEqualIID(iid, DIID_IAccountEvents));
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(sink->GetUnknown(), &cookie), S_OK);
    EXPECT_NE(cookie, 0u);
    EXPECT_EQ(sink->RefCount(), 2u); // the connection holds one

    LONG balance = 0;
    account->Deposit(10, &balance);
    account->put_Frozen(VARIANT_TRUE);
    ASSERT_EQ(sink->events.size(), 2u);
    EXPECT_EQ(sink->events[0].id, DISPID_BalanceChanged);
    EXPECT_EQ(sink->events[0].value, 10);
    EXPECT_EQ(sink->events[1].id, DISPID_FrozenChanged);
    EXPECT_EQ(sink->events[1].value, -1);

    ASSERT_EQ(point->Unadvise(cookie), S_OK);
    EXPECT_EQ(sink->RefCount(), 1u);
    account->put_Frozen(VARIANT_FALSE);
    EXPECT_EQ(sink->events.size(), 2u);
    EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(point->Unadvise(0), CONNECT_E_NOCONNECTION);
}

TEST_F(ConnectionPoints, RefusesSinksAndInterfacesItDoesNotKnow)
{
    ComPtr<IConnectionPoint> none;
    EXPECT_EQ(container->FindConnectionPoint(IID_OF(IAccount), none.put()), CONNECT_E_NOCONNECTION);
    EXPECT_FALSE(none);
    ASSERT_EQ(container->FindConnectionPoint(DIID_IAccountEvents, point.put()), S_OK);
    CDeafSink* deaf = nullptr;
    ASSERT_EQ(CDeafSink::CreateObject(&deaf), S_OK);
    DWORD cookie = 77;
    EXPECT_EQ(point->Advise(deaf->GetUnknown(), &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(cookie, 0u);
    EXPECT_EQ(deaf->Release(), 0u);
    EXPECT_EQ(point->Advise(nullptr, &cookie), E_POINTER);
}

TEST_F(ConnectionPoints, SeveralSinksAndOneThatLeavesDuringAnEvent)
{
    ASSERT_EQ(container->FindConnectionPoint(DIID_IAccountEvents, point.put()), S_OK);
    CEventSink* second = nullptr;
    ASSERT_EQ(CEventSink::CreateObject(&second), S_OK);
    DWORD first = 0;
    ASSERT_EQ(point->Advise(sink->GetUnknown(), &first), S_OK);
    ASSERT_EQ(point->Advise(second->GetUnknown(), &second->cookie), S_OK);
    EXPECT_NE(first, second->cookie);
    second->unadviseOnEvent = point.get();

    LONG balance = 0;
    account->Deposit(1, &balance);
    account->Deposit(2, &balance);
    EXPECT_EQ(sink->events.size(), 2u);
    EXPECT_EQ(second->events.size(), 1u); // it left during the first event
    EXPECT_EQ(second->RefCount(), 1u);
    EXPECT_EQ(second->Release(), 0u);

    // The enumeration of connections holds its own references.
    ComPtr<IEnumConnections> connections;
    ASSERT_EQ(point->EnumConnections(connections.put()), S_OK);
    CONNECTDATA data[2]{};
    ULONG fetched = 0;
    EXPECT_EQ(connections->Next(2, data, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(data[0].dwCookie, first);
    data[0].pUnk->Release();
    connections = nullptr;
    ASSERT_EQ(point->Unadvise(first), S_OK);
    EXPECT_EQ(sink->RefCount(), 1u);
}

TEST_F(ConnectionPoints, EnumeratesPointsAndKeepsTheContainerAlive)
{
    ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(container->EnumConnectionPoints(points.put()), S_OK);
    EXPECT_EQ(account->RefCount(), 3u); // container pointer, creation reference, enumerator
    IConnectionPoint* found[2]{};
    ULONG fetched = 0;
    EXPECT_EQ(points->Next(2, found, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    ComPtr<IConnectionPointContainer> back;
    ASSERT_EQ(found[0]->GetConnectionPointContainer(back.put()), S_OK);
    EXPECT_EQ(back.get(), container.get());
    found[0]->Release();
    back = nullptr;
    ComPtr<IEnumConnectionPoints> clone;
    ASSERT_EQ(points->Reset(), S_OK);
    ASSERT_EQ(points->Clone(clone.put()), S_OK);
    EXPECT_EQ(clone->Skip(1), S_OK);
    EXPECT_EQ(clone->Next(1, found, &fetched), S_FALSE);
    points = nullptr;
    clone = nullptr;
    EXPECT_EQ(account->RefCount(), 2u);
}

TEST_F(ConnectionPoints, AdviseHelpersFindThePoint)
{
    DWORD cookie = 0;
    ASSERT_EQ(AdviseSink(account->GetUnknown(), sink->GetUnknown(), DIID_IAccountEvents, &cookie), S_OK);
    LONG balance = 0;
    account->Deposit(4, &balance);
    ASSERT_EQ(UnadviseSink(account->GetUnknown(), DIID_IAccountEvents, cookie), S_OK);
    account->Deposit(4, &balance);
    ASSERT_EQ(sink->events.size(), 1u);
    EXPECT_EQ(sink->events[0].value, 4);
    EXPECT_EQ(UnadviseSink(account->GetUnknown(), DIID_IAccountEvents, cookie), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(AdviseSink(account->GetUnknown(), sink->GetUnknown(), IID_OF(IAccount), &cookie),
              CONNECT_E_NOCONNECTION);
    EXPECT_EQ(cookie, 0u);

    CTestPlain* plain = nullptr;
    ASSERT_EQ(CTestPlain::CreateObject(&plain), S_OK);
    EXPECT_EQ(AdviseSink(plain, sink->GetUnknown(), DIID_IAccountEvents, &cookie), E_NOINTERFACE);
    EXPECT_EQ(AdviseSink(nullptr, sink->GetUnknown(), DIID_IAccountEvents, &cookie), E_INVALIDARG);
    EXPECT_EQ(plain->Release(), 0u);
    EXPECT_EQ(sink->RefCount(), 1u);
}

} // namespace
