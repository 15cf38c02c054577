#include <gtest/gtest.h>

#include "host/Notifications.h"

namespace host {
namespace {

TEST(Notifications, RecordGetsTheHostWindowAndSixDistinctNumbersAndKeepsTheRest) {
    excalibur::ExParaBlock block{};
    block.attenuator = 1;
    block.levelOffset = -12;
    block.reserved70[515] = 0xA5;
    const HostMessageNumbers numbers;
    numbers.WriteInto(block, 0x1234);
    EXPECT_EQ(block.hostWindow, 0x1234u);
    const std::uint32_t written[] = {block.msgPanel,        block.msgAttenuator, block.msgDither,
                                     block.msgNoiseBlanker, block.msgSampleMode, block.msgLevelOffset};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(written[i], 0x8001u + i);
        EXPECT_TRUE(numbers.IsOurs(written[i]));
    }
    EXPECT_FALSE(numbers.IsOurs(0x8000));
    EXPECT_FALSE(numbers.IsOurs(0x8007));
    EXPECT_EQ(block.attenuator, 1);
    EXPECT_EQ(block.levelOffset, -12);
    EXPECT_EQ(block.reserved70[515], 0xA5);
}

TEST(Notifications, DescriptionNamesTheEventAndShowsTheLevelOffsetSigned) {
    const HostMessageNumbers numbers;
    const std::string offset = NotificationLog::Describe({numbers.levelOffset, 0xFFFFFF52u, 0x10ABC, 1.5}, numbers);
    EXPECT_NE(offset.find("level offset"), std::string::npos) << offset;
    EXPECT_NE(offset.find("wParam=-174"), std::string::npos) << offset;
    EXPECT_NE(offset.find("lParam=0x00010ABC"), std::string::npos) << offset;
    const std::string attenuator = NotificationLog::Describe({numbers.attenuator, 1, 0, 0.0}, numbers);
    EXPECT_NE(attenuator.find("attenuator"), std::string::npos);
    EXPECT_NE(attenuator.find("wParam=1 "), std::string::npos) << attenuator;
    EXPECT_NE(NotificationLog::Describe({0xC123, 0, 0, 0.0}, numbers).find("message 0xC123"), std::string::npos);
}

}  // namespace
}  // namespace host
