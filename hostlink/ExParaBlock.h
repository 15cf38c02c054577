#pragma once

#include <cstddef>
#include <cstdint>

namespace excalibur {

// The 586-byte record shared with the host: its window, the message numbers
// of the seven notifications, and the plug-in's only copy of the settings.
// Reserved bytes belong to the host and travel with the record untouched.
#pragma pack(push, 1)
struct ExParaBlock {
    std::uint32_t hostWindow;
    std::uint8_t reserved4[8];
    std::uint32_t msgPanel;
    std::uint32_t msgAttenuator;
    std::uint8_t reserved20[8];
    std::uint32_t msgDither;
    std::uint32_t msgNoiseBlanker;
    std::uint8_t reserved36[4];
    std::uint32_t msgSampleMode;
    std::uint8_t reserved44[4];
    std::uint32_t msgLevelOffset;
    std::uint8_t reserved52[8];
    std::uint8_t panelVisible;
    std::uint8_t attenuator;
    std::uint8_t reserved62[2];
    std::uint8_t dither;
    std::uint8_t noiseBlanker;
    std::uint8_t reserved66[1];
    std::uint8_t sampleMode;
    std::int16_t levelOffset;
    std::uint8_t reserved70[516];
};
#pragma pack(pop)

static_assert(sizeof(ExParaBlock) == 586);
static_assert(offsetof(ExParaBlock, hostWindow) == 0);
static_assert(offsetof(ExParaBlock, reserved4) == 4);
static_assert(offsetof(ExParaBlock, msgPanel) == 12);
static_assert(offsetof(ExParaBlock, msgAttenuator) == 16);
static_assert(offsetof(ExParaBlock, reserved20) == 20);
static_assert(offsetof(ExParaBlock, msgDither) == 28);
static_assert(offsetof(ExParaBlock, msgNoiseBlanker) == 32);
static_assert(offsetof(ExParaBlock, reserved36) == 36);
static_assert(offsetof(ExParaBlock, msgSampleMode) == 40);
static_assert(offsetof(ExParaBlock, reserved44) == 44);
static_assert(offsetof(ExParaBlock, msgLevelOffset) == 48);
static_assert(offsetof(ExParaBlock, reserved52) == 52);
static_assert(offsetof(ExParaBlock, panelVisible) == 60);
static_assert(offsetof(ExParaBlock, attenuator) == 61);
static_assert(offsetof(ExParaBlock, reserved62) == 62);
static_assert(offsetof(ExParaBlock, dither) == 64);
static_assert(offsetof(ExParaBlock, noiseBlanker) == 65);
static_assert(offsetof(ExParaBlock, reserved66) == 66);
static_assert(offsetof(ExParaBlock, sampleMode) == 67);
static_assert(offsetof(ExParaBlock, levelOffset) == 68);
static_assert(offsetof(ExParaBlock, reserved70) == 70);

// The one record of the process: all zero at load. Operations change it one
// at a time; readers on other threads see the copy last published. Its
// panelVisible byte and whole-record copies go under the record's own lock.
extern ExParaBlock exPara;

// Makes exPara's present state what readers get. Called by an operation
// before it tells the host of a change and when it ends.
void PublishRecord();
// The record as last published; never waits for an operation.
ExParaBlock PublishedRecord();

// The host's whole record in place of the plug-in's; returns the old one.
// Taken with panelVisible's writer, which is not an operation.
ExParaBlock ReplaceRecord(const ExParaBlock& block);
// Stores the panel's visibility in the record and in the published copy,
// without waiting for an operation. Returns where the host hears of it: its
// window and the msgPanel number, as they stand.
struct PanelNoticeAddress {
    std::uint32_t hostWindow;
    std::uint32_t msgPanel;
};
PanelNoticeAddress StorePanelVisibility(std::uint8_t shown);

// The record's sample mode (200 kHz) from start-up until settings are loaded.
inline constexpr std::uint8_t kStartUpSampleMode = 2;

}  // namespace excalibur
