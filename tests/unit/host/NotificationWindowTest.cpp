#include <gtest/gtest.h>

#include <thread>

#include "host/NotificationWindow.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace host {
namespace {

// What a plug-in does to notify its host.
void Post(platform::WindowId window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
#if defined(_WIN32)
    PostMessageA(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window)), message, wParam, lParam);
#else
    platform::PostToWindow(window, message, wParam, lParam);
#endif
}

// Pumps until the log holds `count` entries; every wait ends on a message
// or on the bounded timeout.
void PumpUntil(NotificationWindow& window, const NotificationLog& log, std::size_t count) {
    for (int round = 0; round < 100 && log.Entries().size() < count; ++round)
        window.Pump(std::chrono::milliseconds(100));
}

TEST(NotificationWindow, ReceivesWhatAnotherThreadPostsInOrder) {
    NotificationLog log;
    const HostMessageNumbers numbers;
    NotificationWindow window(log, numbers);
    ASSERT_TRUE(window.Valid());
    ASSERT_NE(window.Id(), 0u);

    const platform::WindowId id = window.Id();
    std::thread poster([&] {
        Post(id, numbers.attenuator, 1, 0x4242);
        Post(id, 0x7FFF, 9, 0);  // not one of the host's numbers
        Post(id, numbers.levelOffset, static_cast<std::uint32_t>(-174), 0x4242);
    });
    poster.join();
    PumpUntil(window, log, 2);
    window.Pump(std::chrono::milliseconds(0));

    ASSERT_EQ(log.Entries().size(), 2u);
    EXPECT_EQ(log.Entries()[0].message, numbers.attenuator);
    EXPECT_EQ(log.Entries()[0].wParam, 1u);
    EXPECT_EQ(log.Entries()[0].lParam, 0x4242);
    EXPECT_EQ(log.Entries()[1].message, numbers.levelOffset);
    EXPECT_EQ(static_cast<std::int32_t>(log.Entries()[1].wParam), -174);
}

TEST(NotificationWindow, CollectsItsOwnMessagesWithoutWaiting) {
    NotificationLog log;
    const HostMessageNumbers numbers;
    NotificationWindow window(log, numbers);
    Post(window.Id(), numbers.panel, 0, 0);
    window.CollectOwnMessages();
    ASSERT_EQ(log.Entries().size(), 1u);
    EXPECT_EQ(log.Entries()[0].message, numbers.panel);
}

TEST(NotificationWindow, TwoWindowsDoNotShareMessages) {
    NotificationLog firstLog, secondLog;
    const HostMessageNumbers numbers;
    NotificationWindow first(firstLog, numbers);
    NotificationWindow second(secondLog, numbers);
    ASSERT_NE(first.Id(), second.Id());
    Post(second.Id(), numbers.dither, 1, 0);
    PumpUntil(second, secondLog, 1);
    first.CollectOwnMessages();
    EXPECT_TRUE(firstLog.Entries().empty());
    EXPECT_EQ(secondLog.Entries().size(), 1u);
}

}  // namespace
}  // namespace host
