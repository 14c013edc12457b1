#include "base/Handles.h"
#include "base/LastError.h"
#include "base/WinError.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

TEST(Events, ManualResetReleasesEveryWaiterUntilReset)
{
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            if (WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0)
                ++released;
        });
    EXPECT_TRUE(SetEvent(event));
    for (auto& t : waiters)
        t.join();
    EXPECT_EQ(released, 3);
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_OBJECT_0)); // still set
    EXPECT_TRUE(ResetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 10), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(CloseHandle(event));
}

TEST(Events, AutoResetReleasesOneWaiterPerSet)
{
    HANDLE event = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_OBJECT_0)); // initially set
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));  // and taken

    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 2; ++i)
        waiters.emplace_back([&] {
            if (WaitForSingleObject(event, 20000) == WAIT_OBJECT_0)
                ++released;
        });
    SetEvent(event);
    while (released < 1)
        std::this_thread::yield();
    // One Set, one waiter: the other stays until the next.
    EXPECT_EQ(WaitForSingleObject(event, 50), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(released, 1);
    SetEvent(event);
    for (auto& t : waiters)
        t.join();
    EXPECT_EQ(released, 2);
    CloseHandle(event);
}

TEST(Events, SetFromAnotherThreadEndsAWaitThatTimesOutOtherwise)
{
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        SetEvent(event);
    });
    EXPECT_EQ(WaitForSingleObject(event, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
    setter.join();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForSingleObject(event, 30), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
    CloseHandle(event);
}

TEST(Handles, ClosedAndForeignHandles)
{
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_TRUE(CloseHandle(event));
    EXPECT_FALSE(CloseHandle(event));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(SetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(CloseHandle(nullptr));
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_EQ(CreateEventA(nullptr, TRUE, FALSE, "Global\\Named"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
}

namespace {

// Another kind of kernel object, as later kinds plug into the table.
class Token : public platform::KernelObject {
public:
    explicit Token(int* alive) : m_alive(alive) { ++*m_alive; }
    ~Token() override { --*m_alive; }

private:
    int* m_alive;
};

} // namespace

TEST(Handles, OtherKindsShareTheTable)
{
    int alive = 0;
    HANDLE token = platform::AddKernelHandle(std::make_shared<Token>(&alive));
    EXPECT_EQ(alive, 1);
    EXPECT_TRUE(platform::KernelObjectAs<Token>(token));
    EXPECT_FALSE(SetEvent(token)); // not an event
    EXPECT_EQ(WaitForSingleObject(token, 0), WAIT_FAILED);
    EXPECT_TRUE(CloseHandle(token));
    EXPECT_EQ(alive, 0);
    EXPECT_FALSE(platform::KernelObjectOf(token));
}
