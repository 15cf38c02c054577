#include "widgets/MyButton.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/unit/buttons/RecordingButtonWindow.h"
#include "widgets/Theme.h"

namespace {

using excalibur::MyButton;
using Log = RecordingButtonWindow::Log;

constexpr unsigned kNothingHeld = 0;
constexpr unsigned kLeftHeld = 0x1;
constexpr unsigned kRightHeld = 0x2;
constexpr unsigned kShiftHeld = 0x4;
constexpr platform::Point kInside{10, 10};
constexpr platform::Point kOutside{120, 10};

// Each test starts from a new button, so what it does first also shows the
// defaults: unchecked, at rest, no menu and no menu selection.
class MyButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto owned = std::make_unique<RecordingButtonWindow>(log);
        window = owned.get();
        button.Bind(std::move(owned));
        log->clear();
    }

    Log Take() {
        Log taken = *log;
        log->clear();
        return taken;
    }

    void Enter() {
        button.OnMouseMove(kNothingHeld, kInside);
        log->clear();
    }

    // Declared first: the window writes into the log as the button ends.
    std::shared_ptr<Log> log = std::make_shared<Log>();
    MyButton button;
    RecordingButtonWindow* window = nullptr;
};

// ---------------------------------------------------------------- style

TEST(MyButtonStyle, TakingOverAWindowMakesItOwnerDrawnAndNeverTheDefaultButton) {
    auto log = std::make_shared<Log>();
    auto owned = std::make_unique<RecordingButtonWindow>(log);
    auto* window = owned.get();
    window->style = 0x50010001;
    MyButton button;
    button.Bind(std::move(owned));
    EXPECT_EQ(window->style, 0x5001000Bu);
    EXPECT_EQ(button.m_bFlat, 0);
}

TEST(MyButtonStyle, AFlatWindowMakesAFlatButtonUntilSetFlatClearsIt) {
    auto log = std::make_shared<Log>();
    auto owned = std::make_unique<RecordingButtonWindow>(log);
    owned->style = 0x50018000;
    MyButton button;
    button.Bind(std::move(owned));
    EXPECT_EQ(button.m_bFlat, 1);
    button.SetFlat(0, 0);
    EXPECT_EQ(button.m_bFlat, 0);
}

TEST(MyButtonStyle, ForcingACreationStyleKeepsOtherBitsAndAdoptsFlat) {
    MyButton button;
    EXPECT_EQ(button.ForceStyle(0x50010001), 0x5001000Bu);
    EXPECT_EQ(button.m_bFlat, 0);
    EXPECT_EQ(button.ForceStyle(0x40008000), 0x4000800Bu);
    EXPECT_EQ(button.m_bFlat, 1);
    // The style never clears flat again.
    button.ForceStyle(0x40000000);
    EXPECT_EQ(button.m_bFlat, 1);
}

// ------------------------------------------------------ pointer tracking

TEST_F(MyButtonTest, EnteringTakesTheCaptureAndRepaintsBeforeTheStandardProcessing) {
    button.OnMouseMove(kNothingHeld, kInside);
    EXPECT_EQ(Take(), (Log{"capture", "repaint", "default"}));
    EXPECT_EQ(button.m_bHover, 1);
    EXPECT_EQ(button.m_bCaptured, 1);
    EXPECT_EQ(button.m_bPressed, 0);

    button.OnMouseMove(kNothingHeld, {11, 12});
    EXPECT_EQ(Take(), (Log{"default"})) << "no change, no repaint";
}

TEST_F(MyButtonTest, TheRightAndBottomEdgesAreOutside) {
    button.OnMouseMove(kNothingHeld, {80, 5});
    button.OnMouseMove(kNothingHeld, {5, 20});
    EXPECT_EQ(button.m_bHover, 0);
    EXPECT_EQ(button.m_bCaptured, 0);
    button.OnMouseMove(kNothingHeld, {79, 19});
    EXPECT_EQ(button.m_bHover, 1);
}

TEST_F(MyButtonTest, DraggingOutAndBackWithTheLeftButtonTogglesOnlyThePressedState) {
    Enter();
    button.OnMouseMove(kLeftHeld, kInside);
    EXPECT_EQ(Take(), (Log{"repaint", "default"}));
    EXPECT_EQ(button.m_bPressed, 1);

    button.OnMouseMove(kLeftHeld, kOutside);
    EXPECT_EQ(Take(), (Log{"repaint", "default"}));
    EXPECT_EQ(button.m_bPressed, 0);
    EXPECT_EQ(button.m_bHover, 1) << "leaving with the left button held keeps hover";
    EXPECT_EQ(button.m_bCaptured, 1);

    button.OnMouseMove(kLeftHeld, kInside);
    EXPECT_EQ(Take(), (Log{"repaint", "default"}));
    EXPECT_EQ(button.m_bPressed, 1);
}

TEST_F(MyButtonTest, LeavingWithNothingHeldGivesUpTheCapture) {
    Enter();
    button.OnMouseMove(kNothingHeld, kOutside);
    EXPECT_EQ(Take(), (Log{"release capture", "repaint", "default"}));
    EXPECT_EQ(button.m_bHover, 0);
    EXPECT_EQ(button.m_bCaptured, 0);
}

TEST_F(MyButtonTest, LeavingWithAnotherButtonOrAModifierHeldKeepsTheCapture) {
    for (const unsigned held : {kRightHeld, kShiftHeld}) {
        Enter();
        button.OnMouseMove(held, kOutside);
        EXPECT_EQ(Take(), (Log{"repaint", "default"})) << held;
        EXPECT_EQ(button.m_bHover, 0) << held;
        EXPECT_EQ(button.m_bCaptured, 1) << held;
        button.OnMouseMove(kNothingHeld, kOutside);
        EXPECT_EQ(Take(), (Log{"release capture", "repaint", "default"})) << held;
    }
}

TEST_F(MyButtonTest, AMoveOutsideWithoutCaptureOnlyPassesOn) {
    button.OnMouseMove(kNothingHeld, kOutside);
    EXPECT_EQ(Take(), (Log{"default"}));
}

// --------------------------------------------------------------- clicks

TEST_F(MyButtonTest, APlainPressReportsTheClickAtOnceAndLeavesTheLookToTheNextMove) {
    button.OnLButtonDown();
    EXPECT_EQ(Take(), (Log{"default", "click", "repaint"}));
    EXPECT_EQ(button.m_bPressed, 0);
    EXPECT_EQ(button.m_bHover, 0);

    // Dragging off before the release withdraws nothing.
    button.OnMouseMove(kLeftHeld, kOutside);
    button.OnLButtonUp();
    for (const auto& entry : Take()) EXPECT_NE(entry, "click");
}

TEST_F(MyButtonTest, ReleaseGivesUpTheOwnCaptureBeforeTheStandardProcessingSeesIt) {
    Enter();
    button.OnMouseMove(kLeftHeld, kInside);
    log->clear();
    button.OnLButtonUp();
    EXPECT_EQ(Take(), (Log{"release capture", "default", "repaint"}));
    EXPECT_EQ(button.m_bHover + button.m_bPressed + button.m_bCaptured, 0);
}

TEST_F(MyButtonTest, ReleaseAlsoEndsTheCaptureTheStandardPressTookSoTheClickIsNotReportedTwice) {
    // A press with no move before it: the button holds no capture of its
    // own, but the standard push button took one at the press.
    button.OnLButtonDown();
    window->holdsCapture = true;
    log->clear();
    button.OnLButtonUp();
    EXPECT_EQ(Take(), (Log{"release capture", "default", "repaint"}));

    button.OnLButtonDown();
    log->clear();
    button.OnLButtonUp();
    EXPECT_EQ(Take(), (Log{"default", "repaint"})) << "nothing to release";
}

TEST_F(MyButtonTest, RightPressTellsTheParentFirst) {
    button.OnRButtonDown();
    EXPECT_EQ(Take(), (Log{"right click", "default"}));
}

TEST_F(MyButtonTest, RightPressOnADropDownButtonNeverOpensTheMenu) {
    button.SetDropDownMenu(1020);
    button.OnRButtonDown();
    EXPECT_EQ(Take(), (Log{"right click", "default"}));
    EXPECT_EQ(button.m_nMenuCommand, -1);
}

TEST_F(MyButtonTest, LosingTheFocusWhilePressedDropsEverything) {
    Enter();
    button.OnMouseMove(kLeftHeld, kInside);
    log->clear();
    button.OnKillFocus();
    EXPECT_EQ(Take(), (Log{"default", "release capture", "repaint"}));
    EXPECT_EQ(button.m_bHover + button.m_bPressed + button.m_bCaptured, 0);
}

TEST_F(MyButtonTest, EnablingRepaintsAfterTheStandardProcessing) {
    button.OnEnable();
    EXPECT_EQ(Take(), (Log{"default", "repaint"}));
}

// --------------------------------------------------------------- cursor

class HandCursorTest : public MyButtonTest {
protected:
    void SetUp() override {
        MyButtonTest::SetUp();
        saved = excalibur::theme.HandCursor;
        excalibur::theme.HandCursor = &cursorShape;
    }
    void TearDown() override { excalibur::theme.HandCursor = saved; }

    int cursorShape = 0;
    platform::CursorHandle saved = nullptr;
};

TEST_F(HandCursorTest, OverTheButtonTheHandIsShownAndTheMessageAnswered) {
    window->cursor = kInside;
    EXPECT_EQ(button.OnSetCursor(), 1);
    EXPECT_EQ(Take(), (Log{"hand cursor"}));
}

TEST_F(HandCursorTest, OutsideOrWithoutAHandTheStandardProcessingDecides) {
    window->cursor = {80, 0};
    EXPECT_EQ(button.OnSetCursor(), 77);
    EXPECT_EQ(Take(), (Log{"default"}));

    excalibur::theme.HandCursor = nullptr;
    window->cursor = kInside;
    EXPECT_EQ(button.OnSetCursor(), 77);
    EXPECT_EQ(Take(), (Log{"default"}));
}

// -------------------------------------------------------------- setters

TEST_F(MyButtonTest, CheckStateIsSentAndRepaintedOnlyWhenItChanges) {
    button.SetCheckState(0, 1);
    EXPECT_TRUE(Take().empty()) << "a new button is unchecked already";
    button.SetCheckState(1, 1);
    EXPECT_EQ(Take(), (Log{"BM_SETCHECK 1", "repaint"}));
    button.SetCheckState(1, 1);
    EXPECT_TRUE(Take().empty());
    button.SetCheckState(0, 0);
    EXPECT_EQ(Take(), (Log{"BM_SETCHECK 0"}));
    EXPECT_EQ(button.m_bCheck, 0);
}

TEST_F(MyButtonTest, LookSettersStoreAndRepaintOnRequest) {
    button.SetTextColorAndFont(196, 1, 1);
    EXPECT_EQ(button.m_crText, 196u);
    EXPECT_EQ(button.m_nFontChoice, 1);
    button.SetFontChoice(2, 0);
    EXPECT_EQ(button.m_nFontChoice, 2);
    button.SetFlat(1, 1);
    EXPECT_EQ(button.m_bFlat, 1);
    EXPECT_EQ(Take(), (Log{"repaint", "repaint"}));
}

TEST_F(MyButtonTest, MenuSetupRepaintsOnlyForANewLabel) {
    button.SetDropDownMenu(1020);
    EXPECT_EQ(button.m_nMenuId, 1020u);
    button.SetMenuSelection(3, nullptr);
    EXPECT_EQ(button.m_nMenuSelection, 3);
    EXPECT_TRUE(Take().empty());
    button.SetMenuSelection(4, "1.0 MHz Sample");
    EXPECT_EQ(Take(), (Log{"text 1.0 MHz Sample", "repaint"}));
    EXPECT_EQ(button.m_nMenuSelection, 4);
}

TEST(MyButtonWithoutWindow, SettersStoreAndHandlersDoNothing) {
    MyButton button;
    button.SetCheckState(1, 1);
    button.SetFlat(1, 1);
    button.SetMenuSelection(2, "label");
    button.SetImage(136, 3);
    button.OnMouseMove(kNothingHeld, kInside);
    button.OnLButtonDown();
    EXPECT_EQ(button.m_bCheck, 1);
    EXPECT_EQ(button.m_bFlat, 1);
    EXPECT_EQ(button.m_nMenuSelection, 2);
    EXPECT_EQ(button.m_nImageAlign, 3);
    EXPECT_EQ(button.m_nImageWidth, 0);
    EXPECT_EQ(button.m_bHover, 0);
}

TEST_F(MyButtonTest, ADestroyedWindowIsNeitherPaintedNorSentTo) {
    window->exists = false;
    button.SetCheckState(1, 1);
    button.SetFlat(1, 1);
    button.OnMouseMove(kNothingHeld, kInside);
    button.OnLButtonDown();
    EXPECT_EQ(button.m_bCheck, 1);
    EXPECT_TRUE(Take().empty());
    EXPECT_FALSE(button.HasWindow());
}

// --------------------------------------------------------------- images

TEST_F(MyButtonTest, AnImageIsLoadedCopiedMaskedWithMagentaAndTheBitmapFreed) {
    button.SetImage(136, 0);
    EXPECT_EQ(Take(), (Log{"load bitmap 136", "create image list 200x152 flags 9",
                           "add masked copy transparent 16711935", "delete bitmap", "repaint"}));
    EXPECT_EQ(button.m_nImageWidth, 200);
    EXPECT_EQ(button.m_nImageHeight, 152);
    EXPECT_NE(button.m_ImageList, nullptr);
}

TEST_F(MyButtonTest, ANewImageReplacesTheOldListAndOnlyTheLow16BitsOfTheIdCount) {
    button.SetImage(136, 0);
    log->clear();
    window->bitmap = {16, 16, 24};
    button.SetImage(0x10088, 1);
    EXPECT_EQ(Take(), (Log{"load bitmap 136", "destroy image list", "create image list 16x16 flags 25",
                           "add masked copy transparent 16711935", "delete bitmap", "repaint"}));
    EXPECT_EQ(button.m_nImageAlign, 1);
}

TEST_F(MyButtonTest, RemovingTheImageEmptiesTheListAndStillRepaints) {
    button.SetImage(136, 0);
    log->clear();
    button.SetImage(0, 3);
    EXPECT_EQ(Take(), (Log{"destroy image list", "repaint"}));
    EXPECT_EQ(button.m_nImageWidth, 0);
    EXPECT_EQ(button.m_nImageHeight, 0);
    EXPECT_EQ(button.m_ImageList, nullptr);
    EXPECT_EQ(button.m_nImageAlign, 3);
}

TEST_F(MyButtonTest, AMissingBitmapLeavesNoImageAndNoSizes) {
    button.SetImage(136, 0);
    log->clear();
    window->bitmapAvailable = false;
    button.SetImage(999, 0);
    EXPECT_EQ(Take(), (Log{"load bitmap 999", "destroy image list", "repaint"}));
    EXPECT_EQ(button.m_nImageWidth, 0);
    EXPECT_EQ(button.m_nImageHeight, 0);
    EXPECT_EQ(button.m_ImageList, nullptr);
}

TEST_F(MyButtonTest, AnImageTheListRefusesLeavesNoImage) {
    window->imageListAccepts = false;
    button.SetImage(136, 0);
    EXPECT_EQ(button.m_nImageWidth, 0);
    EXPECT_EQ(button.m_ImageList, nullptr);
    const Log taken = Take();
    EXPECT_EQ(taken[taken.size() - 3], "destroy image list");
}

TEST(MyButtonImages, TheButtonFreesItsImageListAsItEnds) {
    auto log = std::make_shared<Log>();
    {
        MyButton button;
        button.Bind(std::make_unique<RecordingButtonWindow>(log));
        button.SetImage(136, 0);
        log->clear();
    }
    EXPECT_EQ(*log, (Log{"destroy image list", "window gone"}));
}

TEST(ImageListFlags, FollowTheBitmapDepthAlwaysWithAMask) {
    EXPECT_EQ(excalibur::ImageListFlagsForDepth(8), 0x9u);
    EXPECT_EQ(excalibur::ImageListFlagsForDepth(16), 0x11u);
    EXPECT_EQ(excalibur::ImageListFlagsForDepth(24), 0x19u);
    EXPECT_EQ(excalibur::ImageListFlagsForDepth(32), 0x21u);
    for (const int other : {0, 1, 4, 15, 48}) EXPECT_EQ(excalibur::ImageListFlagsForDepth(other), 0x5u) << other;
}

// ------------------------------------------------------------- drop-down

class DropDownTest : public MyButtonTest {
protected:
    void SetUp() override {
        MyButtonTest::SetUp();
        button.SetDropDownMenu(1020);
        window->menuItems = 8;
    }

    static Log Unchecked(int from, int to) {
        Log entries;
        for (int i = from; i < to; ++i) entries.push_back("item " + std::to_string(i) + " unchecked");
        return entries;
    }
};

TEST_F(DropDownTest, AChoiceChecksTheSelectionTracksUnderTheButtonAndReportsTheCommand) {
    button.SetMenuSelection(2, nullptr);
    window->trackAnswer = 1013;
    button.OnLButtonDown();

    Log expected{"repaint", "load menu 1020"};
    for (const auto& entry : Unchecked(0, 2)) expected.push_back(entry);
    expected.push_back("item 2 checked");
    for (const auto& entry : Unchecked(3, 8)) expected.push_back(entry);
    for (const char* entry : {"track at 100,220", "click", "repaint", "destroy menu", "repaint"}) {
        expected.push_back(entry);
    }
    EXPECT_EQ(Take(), expected) << "the press itself gets no standard processing";
    EXPECT_EQ(button.m_nMenuCommand, 1013);
    EXPECT_EQ(button.m_bMenuOpen, 0);
}

TEST_F(DropDownTest, WithoutASelectionTheMenusCheckMarksAreLeftAlone) {
    window->trackAnswer = 1010;
    button.OpenDropDownMenu();
    EXPECT_EQ(Take(), (Log{"repaint", "load menu 1020", "track at 100,220", "click", "repaint", "destroy menu"}));
}

TEST_F(DropDownTest, ASelectionBeyondTheLastItemUnchecksEveryItem) {
    button.SetMenuSelection(8, nullptr);
    button.OpenDropDownMenu();
    Log expected{"repaint", "load menu 1020"};
    for (const auto& entry : Unchecked(0, 8)) expected.push_back(entry);
    for (const char* entry : {"track at 100,220", "repaint", "destroy menu"}) expected.push_back(entry);
    EXPECT_EQ(Take(), expected);
}

TEST_F(DropDownTest, DismissingStoresZeroAndSendsNothing) {
    button.OpenDropDownMenu();
    EXPECT_EQ(button.m_nMenuCommand, 0);
    for (const auto& entry : Take()) EXPECT_NE(entry, "click");
}

TEST_F(DropDownTest, OpeningGivesUpTheCaptureAndEndsWithEveryPointerStateCleared) {
    Enter();
    button.OnMouseMove(kLeftHeld, kInside);
    log->clear();
    button.OpenDropDownMenu();
    const Log taken = Take();
    ASSERT_GE(taken.size(), 3u);
    EXPECT_EQ(taken[0], "repaint");
    EXPECT_EQ(taken[1], "release capture");
    EXPECT_EQ(taken[2], "load menu 1020");
    EXPECT_EQ(button.m_bHover + button.m_bPressed + button.m_bCaptured + button.m_bMenuOpen, 0);
}

TEST_F(DropDownTest, AMenuThatCannotBeLoadedKeepsTheLastCommandButStillResets) {
    window->menuAvailable = false;
    Enter();
    button.m_bPressed = 1;
    log->clear();
    button.OpenDropDownMenu();
    EXPECT_EQ(Take(), (Log{"repaint", "release capture", "load menu 1020", "repaint"}));
    EXPECT_EQ(button.m_nMenuCommand, -1);
    EXPECT_EQ(button.m_bHover + button.m_bPressed + button.m_bMenuOpen, 0);
}

TEST_F(DropDownTest, NoParentNoMenu) {
    window->hasParent = false;
    button.OpenDropDownMenu();
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(button.m_nMenuCommand, -1);
}

TEST_F(DropDownTest, APressWhileTheMenuIsOpenOpensNoSecondMenu) {
    int loadsDuringTrack = -1;
    window->duringTrack = [&] {
        const auto before = log->size();
        button.OnLButtonDown();
        loadsDuringTrack = 0;
        for (auto i = before; i < log->size(); ++i) loadsDuringTrack += (*log)[i] == "load menu 1020";
    };
    window->trackAnswer = 1011;
    button.OnLButtonDown();
    EXPECT_EQ(loadsDuringTrack, 0);
    EXPECT_EQ(button.m_nMenuCommand, 1011);
}

TEST_F(DropDownTest, ButtonsWithoutAMenuDoNotOpenOne) {
    button.SetDropDownMenu(0);
    button.OpenDropDownMenu();
    EXPECT_TRUE(Take().empty());
}

// ------------------------------------------------------------------ look

TEST_F(MyButtonTest, TheLookCarriesTheStateAndTheWindowsLabelEnabledStateAndStyle) {
    button.SetImage(136, 3);
    button.SetCheckState(1, 0);
    button.SetTextColorAndFont(196, 2, 0);
    button.SetDropDownMenu(1020);
    Enter();
    window->enabled = false;
    window->style |= excalibur::kBsMultiline;

    const excalibur::ButtonLook look = button.Look();
    EXPECT_EQ(look.check, 1);
    EXPECT_EQ(look.fontChoice, 2);
    EXPECT_EQ(look.menuId, 1020u);
    EXPECT_EQ(look.textColor, 196u);
    EXPECT_EQ(look.hover, 1);
    EXPECT_EQ(look.pressed, 0);
    EXPECT_EQ(look.imageAlign, 3);
    EXPECT_EQ(look.image, button.m_ImageList);
    EXPECT_EQ(look.imageWidth, 200);
    EXPECT_EQ(look.imageHeight, 152);
    EXPECT_EQ(look.label, "21 dB ATT");
    EXPECT_FALSE(look.enabled);
    EXPECT_TRUE(look.multiline);
}

}  // namespace
