#include "platform/headless/MyButtonWindow_headless.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/headless/HeadlessWindows.h"
#include "platform/headless/MemoryImage.h"
#include "resources/ResourceIds.h"
#include "widgets/MyButton.h"

namespace {

using excalibur::MyButton;
using headless::HeadlessButtonWindow;

// A button of no dialog whose parent is the test.
struct LoneButton {
    LoneButton() {
        auto owned = std::make_unique<HeadlessButtonWindow>(0, IDC_SAMPLE_BUTTON, "select Samples", &button);
        window = owned.get();
        window->parentHandler = [this](const headless::ParentMessage& message) { parentHeard.push_back(message); };
        button.Bind(std::move(owned));
    }

    std::vector<headless::ParentMessage> parentHeard;
    MyButton button;
    HeadlessButtonWindow* window = nullptr;
};

TEST(HeadlessButton, ThePluginsSampleMenuChecksTheSelectionAndYieldsTheChosenId) {
    const int menusBefore = headless::LiveMenus();
    LoneButton lone;
    lone.button.SetDropDownMenu(IDR_SAMPLE_MENU);
    lone.button.SetMenuSelection(2, "200 kHz Sample");
    lone.window->menuAnswer = {true, 3};
    lone.button.OnMouseMove(0, {3, 3});
    int hoverWhileOpen = -1;
    lone.window->whileMenuOpen = [&] { hoverWhileOpen = lone.button.Look().hover; };

    lone.button.OnLButtonDown();

    EXPECT_EQ(hoverWhileOpen, 1) << "the button gave up its own capture to open the menu";
    EXPECT_EQ(lone.button.Look().hover, 0);
    EXPECT_EQ(lone.button.m_nMenuCommand, ID_SAMPLES_500KHZ);
    EXPECT_EQ(lone.window->menuChecksAtOpen,
              (std::vector<bool>{false, false, true, false, false, false, false, false}));
    ASSERT_EQ(lone.parentHeard.size(), 1u);
    EXPECT_EQ(lone.parentHeard[0].message, 0x111u);
    EXPECT_EQ(lone.parentHeard[0].wParam, static_cast<std::uintptr_t>(IDC_SAMPLE_BUTTON));
    EXPECT_EQ(lone.window->menuAnchor.x, lone.window->screenRect.left);
    EXPECT_EQ(lone.window->menuAnchor.y, lone.window->screenRect.bottom);
    EXPECT_EQ(headless::LiveMenus(), menusBefore);
}

TEST(HeadlessButton, GreyedItemsCannotBeChosen) {
    LoneButton lone;
    lone.button.SetDropDownMenu(IDR_SAMPLE_MENU);
    for (const int greyed : {5, 6, 7}) {
        lone.window->menuAnswer = {true, greyed};
        lone.button.OnLButtonDown();
        EXPECT_EQ(lone.button.m_nMenuCommand, 0) << greyed;
    }
    EXPECT_TRUE(lone.parentHeard.empty());
}

TEST(HeadlessButton, ThePictureLoadsAtItsSizeWithATransparentBorderAndNothingLeaks) {
    const int bitmapsBefore = headless::LiveBitmaps();
    const int listsBefore = headless::LiveImageLists();
    {
        LoneButton lone;
        lone.button.SetImage(IDB_RECEIVER_PICTURE, 0);
        EXPECT_EQ(lone.button.m_nImageWidth, 200);
        EXPECT_EQ(lone.button.m_nImageHeight, 152);
        EXPECT_EQ(lone.window->imageListFlags, 0x9u);
        const auto* image = static_cast<const headless::MemoryImage*>(lone.button.Look().image);
        ASSERT_NE(image, nullptr);
        ASSERT_EQ(image->pixels.size(), 200u * 152u);
        EXPECT_EQ(image->pixels.front(), headless::kImageTransparentColor);
        EXPECT_NE(image->pixels[201], headless::kImageTransparentColor);
        EXPECT_EQ(headless::LiveBitmaps(), bitmapsBefore);
        EXPECT_EQ(headless::LiveImageLists(), listsBefore + 1);
    }
    EXPECT_EQ(headless::LiveImageLists(), listsBefore);
}

TEST(HeadlessButton, OneCaptureForAllButtonsAndTheOneThatLosesItStopsHovering) {
    LoneButton first;
    LoneButton second;
    first.button.OnMouseMove(0, {3, 3});
    EXPECT_EQ(headless::CaptureOwner(), first.window);
    second.button.OnMouseMove(0, {3, 3});
    EXPECT_EQ(headless::CaptureOwner(), second.window);
    EXPECT_FALSE(first.window->HoldsCapture());
    EXPECT_EQ(first.button.m_bHover + first.button.m_bCaptured, 0);

    // A release that names no new owner, made by someone else.
    first.window->ReleaseMouseCapture();
    EXPECT_EQ(headless::CaptureOwner(), nullptr);
    EXPECT_EQ(second.button.m_bHover + second.button.m_bCaptured, 0);

    second.button.OnMouseMove(0, {3, 3});
    second.button.OnMouseMove(0, {-1, 3});
    EXPECT_EQ(headless::CaptureOwner(), nullptr);
}

TEST(HeadlessButton, BindingTakesTheTemplatesLabelAndMirrorsNewLabelsInTheDialog) {
    const auto dialog = headless::CreateHostWindow();
    {
        MyButton sample;
        sample.Bind(dialog, IDC_SAMPLE_BUTTON);
        ASSERT_TRUE(sample.HasWindow());
        HeadlessButtonWindow* window = headless::FindButtonWindow(dialog, IDC_SAMPLE_BUTTON);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(sample.Look().label, "select Samples");
        EXPECT_EQ(window->style & 0xFu, 0xBu) << "owner-drawn once bound";

        sample.SetMenuSelection(3, "500 kHz Sample");
        EXPECT_EQ(headless::ControlText(dialog, IDC_SAMPLE_BUTTON), "500 kHz Sample");
        EXPECT_GT(window->repaints, 0);

        MyButton spinner;
        spinner.Bind(dialog, IDC_LEVEL_SPIN);
        EXPECT_FALSE(spinner.HasWindow()) << "not a button of the template";
    }
    EXPECT_EQ(headless::FindButtonWindow(dialog, IDC_SAMPLE_BUTTON), nullptr);
    headless::DestroyHostWindow(dialog);
}

TEST(HeadlessButton, ADestroyedWindowEndsEveryOperation) {
    LoneButton lone;
    lone.button.OnMouseMove(0, {3, 3});
    lone.window->Destroy();
    EXPECT_FALSE(lone.button.HasWindow());
    EXPECT_EQ(headless::CaptureOwner(), nullptr);
    const int repaints = lone.window->repaints;
    lone.button.SetCheckState(1, 1);
    lone.button.OnLButtonDown();
    EXPECT_EQ(lone.window->repaints, repaints);
    EXPECT_TRUE(lone.parentHeard.empty());
}

}  // namespace
