#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "platform/win32/MyButtonWindow_win.h"
#include "resources/ResourceIds.h"
#include "widgets/MyButton.h"
#include "widgets/Theme.h"

// Real buttons of the panel's dialog (its template is linked into this
// test), driven by the messages a user's mouse would send.
namespace {

using excalibur::MyButton;

struct ParentMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// What the dialog heard from its buttons.
struct ParentRecord {
    std::vector<ParentMessage> messages;
    std::vector<bool> checksAtMenuOpen;
    int menusOpened = 0;
    // Runs once, the first time the drop-down's loop waits for the user.
    std::function<void()> whileMenuOpen;

    int Count(UINT message) const {
        int count = 0;
        for (const auto& m : messages) count += m.message == message;
        return count;
    }
};
ParentRecord parent;

INT_PTR CALLBACK RecordingDialogProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: return TRUE;
        case WM_COMMAND:
        case excalibur::WM_BUTTON_RCLICK: parent.messages.push_back({message, wParam, lParam}); return TRUE;
        case WM_INITMENUPOPUP: {
            const auto popup = reinterpret_cast<HMENU>(wParam);
            ++parent.menusOpened;
            parent.checksAtMenuOpen.clear();
            for (int i = 0; i < GetMenuItemCount(popup); ++i) {
                parent.checksAtMenuOpen.push_back((GetMenuState(popup, i, MF_BYPOSITION) & MF_CHECKED) != 0);
            }
            return FALSE;
        }
        case WM_ENTERIDLE:
            if (wParam == MSGF_MENU && parent.whileMenuOpen) std::exchange(parent.whileMenuOpen, nullptr)();
            return FALSE;
        default: return FALSE;
    }
}

// What the button window itself was sent, seen from a subclass on top.
struct WindowRecord {
    int paints = 0;
    std::vector<WPARAM> checks;
};

LRESULT CALLBACK RecordingSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* record = reinterpret_cast<WindowRecord*>(data);
    if (message == WM_PAINT) ++record->paints;
    if (message == BM_SETCHECK) record->checks.push_back(wParam);
    return DefSubclassProc(window, message, wParam, lParam);
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

// The window's client area as it is on screen.
std::vector<COLORREF> Pixels(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    std::vector<COLORREF> pixels;
    const HDC dc = GetDC(window);
    for (int y = client.top; y < client.bottom; ++y) {
        for (int x = client.left; x < client.right; ++x) pixels.push_back(GetPixel(dc, x, y));
    }
    ReleaseDC(window, dc);
    return pixels;
}

int Differing(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
    if (a.size() != b.size()) return static_cast<int>(std::max(a.size(), b.size()));
    int count = 0;
    for (std::size_t i = 0; i < a.size(); ++i) count += a[i] != b[i];
    return count;
}

// One visible dialog for all cases: a window must be shown to be painted,
// and each top-level window Wine unmaps costs it a wait.
class ButtonWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        excalibur::InitTheme();
        dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_RECEIVER_PANEL), nullptr,
                                    RecordingDialogProc, 0);
        ShowWindow(dialog, SW_SHOW);
        SetForegroundWindow(dialog);
        Pump();
    }

    static void TearDownTestSuite() {
        DestroyWindow(dialog);
        dialog = nullptr;
    }

    void SetUp() override {
        ASSERT_NE(dialog, nullptr);
        parent = {};
        const auto id = static_cast<platform::WindowId>(reinterpret_cast<UINT_PTR>(dialog));
        attenuator.Bind(id, IDC_ATTENUATOR_BUTTON);
        sample.Bind(id, IDC_SAMPLE_BUTTON);
        picture.Bind(id, IDC_PICTURE_BUTTON);
        attenuatorWindow = GetDlgItem(dialog, IDC_ATTENUATOR_BUTTON);
        sampleWindow = GetDlgItem(dialog, IDC_SAMPLE_BUTTON);
        SetWindowSubclass(attenuatorWindow, RecordingSubclass, 1, reinterpret_cast<DWORD_PTR>(&attenuatorRecord));
        SetWindowSubclass(sampleWindow, RecordingSubclass, 1, reinterpret_cast<DWORD_PTR>(&sampleRecord));
    }

    void TearDown() override {
        RemoveWindowSubclass(attenuatorWindow, RecordingSubclass, 1);
        RemoveWindowSubclass(sampleWindow, RecordingSubclass, 1);
        ReleaseCapture();
        Pump();
    }

    static void Pump() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }

    // Keys for the drop-down's own message loop, which reads them from the queue.
    void QueueKeys(std::initializer_list<WPARAM> keys) {
        for (const WPARAM key : keys) {
            PostMessageA(dialog, WM_KEYDOWN, key, 1);
            PostMessageA(dialog, WM_KEYUP, key, 0xC0000001);
        }
    }

    static LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        return SendMessageA(window, message, wParam, lParam);
    }

    static HWND dialog;
    MyButton attenuator;
    MyButton sample;
    MyButton picture;
    HWND attenuatorWindow = nullptr;
    HWND sampleWindow = nullptr;
    WindowRecord attenuatorRecord;
    WindowRecord sampleRecord;
};
HWND ButtonWindowTest::dialog = nullptr;

TEST_F(ButtonWindowTest, BindingMakesTheControlOwnerDrawnAndNeverTheDefaultButton) {
    const LONG style = GetWindowLongA(attenuatorWindow, GWL_STYLE);
    EXPECT_EQ(style & 0xF, BS_OWNERDRAW);
    EXPECT_EQ(attenuator.m_bFlat, 0);

    const HWND help = GetDlgItem(dialog, IDC_HELP_BUTTON);
    SetWindowLongA(help, GWL_STYLE, GetWindowLongA(help, GWL_STYLE) | BS_DEFPUSHBUTTON | BS_FLAT);
    MyButton helpButton;
    helpButton.Bind(static_cast<platform::WindowId>(reinterpret_cast<UINT_PTR>(dialog)), IDC_HELP_BUTTON);
    EXPECT_EQ(GetWindowLongA(help, GWL_STYLE) & 0xF, BS_OWNERDRAW);
    EXPECT_EQ(helpButton.m_bFlat, 1);
}

TEST_F(ButtonWindowTest, AButtonItCreatesItselfIsOwnerDrawnFromItsFirstMessage) {
    MyButton created;
    const RECT rect{10, 10, 90, 30};
    const HWND window =
        platform::CreateButtonWindow(created, "made", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON | BS_FLAT, rect, dialog,
                                     4711, GetModuleHandleA(nullptr));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & 0xF, BS_OWNERDRAW);
    EXPECT_EQ(created.m_bFlat, 1);
    EXPECT_TRUE(created.HasWindow());
    Send(window, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    Send(window, WM_LBUTTONUP, 0, At(5, 5));
    ASSERT_EQ(parent.Count(WM_COMMAND), 1);
    EXPECT_EQ(parent.messages[0].wParam, MAKEWPARAM(4711, BN_CLICKED));
    DestroyWindow(window);
    EXPECT_FALSE(created.HasWindow());
}

TEST_F(ButtonWindowTest, ThePointerIsTrackedWithTheButtonsOwnCapture) {
    const int paints = attenuatorRecord.paints;
    Send(attenuatorWindow, WM_MOUSEMOVE, 0, At(5, 5));
    EXPECT_EQ(GetCapture(), attenuatorWindow);
    EXPECT_EQ(attenuator.m_bHover, 1);
    EXPECT_GT(attenuatorRecord.paints, paints) << "repainted at once";

    Send(attenuatorWindow, WM_MOUSEMOVE, MK_LBUTTON, At(6, 5));
    EXPECT_EQ(attenuator.m_bPressed, 1);

    Send(attenuatorWindow, WM_MOUSEMOVE, MK_LBUTTON, At(-20, 5));
    EXPECT_EQ(attenuator.m_bPressed, 0);
    EXPECT_EQ(attenuator.m_bHover, 1);
    EXPECT_EQ(GetCapture(), attenuatorWindow);

    Send(attenuatorWindow, WM_MOUSEMOVE, MK_RBUTTON, At(-20, 5));
    EXPECT_EQ(attenuator.m_bHover, 0);
    EXPECT_EQ(GetCapture(), attenuatorWindow) << "a button is still held";

    Send(attenuatorWindow, WM_MOUSEMOVE, 0, At(-20, 5));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(attenuator.m_bCaptured, 0);
}

TEST_F(ButtonWindowTest, APressIsReportedToTheParentOnceAndAtOnce) {
    Send(attenuatorWindow, WM_MOUSEMOVE, 0, At(5, 5));
    Send(attenuatorWindow, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    ASSERT_EQ(parent.Count(WM_COMMAND), 1) << "before the release";
    EXPECT_EQ(parent.messages[0].wParam, MAKEWPARAM(IDC_ATTENUATOR_BUTTON, BN_CLICKED));
    EXPECT_EQ(parent.messages[0].lParam, reinterpret_cast<LPARAM>(attenuatorWindow));

    Send(attenuatorWindow, WM_MOUSEMOVE, MK_LBUTTON, At(-20, 5));
    Send(attenuatorWindow, WM_LBUTTONUP, 0, At(5, 5));
    EXPECT_EQ(parent.Count(WM_COMMAND), 1) << "the release reports nothing more";
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(attenuator.m_bHover + attenuator.m_bPressed + attenuator.m_bCaptured, 0);
}

TEST_F(ButtonWindowTest, AClickWithoutAMoveBeforeItIsStillReportedOnce) {
    for (int click = 1; click <= 2; ++click) {
        Send(attenuatorWindow, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
        Send(attenuatorWindow, WM_LBUTTONUP, 0, At(5, 5));
        EXPECT_EQ(parent.Count(WM_COMMAND), click);
    }
}

TEST_F(ButtonWindowTest, ARightPressIsReportedWithItsOwnMessageAndOpensNoMenu) {
    sample.SetDropDownMenu(IDR_SAMPLE_MENU);
    Send(sampleWindow, WM_RBUTTONDOWN, MK_RBUTTON, At(5, 5));
    Send(sampleWindow, WM_RBUTTONUP, 0, At(5, 5));
    ASSERT_EQ(parent.messages.size(), 1u);
    EXPECT_EQ(parent.messages[0].message, excalibur::WM_BUTTON_RCLICK);
    EXPECT_EQ(parent.messages[0].wParam, static_cast<WPARAM>(IDC_SAMPLE_BUTTON));
    EXPECT_EQ(parent.messages[0].lParam, 0);
    EXPECT_EQ(parent.menusOpened, 0);
}

TEST_F(ButtonWindowTest, LosingTheFocusWhilePressedReleasesTheCapture) {
    Send(attenuatorWindow, WM_MOUSEMOVE, MK_LBUTTON, At(5, 5));
    ASSERT_EQ(GetCapture(), attenuatorWindow);
    const int paints = attenuatorRecord.paints;
    Send(attenuatorWindow, WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(attenuator.m_bHover + attenuator.m_bPressed + attenuator.m_bCaptured, 0);
    EXPECT_GT(attenuatorRecord.paints, paints);
}

TEST_F(ButtonWindowTest, ACaptureTakenAwayEndsTheHoverEvenWhenItNamesNoNewOwner) {
    for (const bool toDialog : {true, false}) {
        SCOPED_TRACE(toDialog ? "the dialog's SetCapture" : "a ReleaseCapture not the button's");
        Send(attenuatorWindow, WM_MOUSEMOVE, MK_LBUTTON, At(5, 5));
        ASSERT_EQ(attenuator.m_bHover + attenuator.m_bPressed, 2);
        const int paints = attenuatorRecord.paints;
        if (toDialog) {
            SetCapture(dialog);
        } else {
            ReleaseCapture();
        }
        EXPECT_EQ(attenuator.m_bHover + attenuator.m_bPressed + attenuator.m_bCaptured, 0);
        EXPECT_GT(attenuatorRecord.paints, paints) << "repainted at once";
        EXPECT_EQ(GetCapture(), toDialog ? dialog : nullptr);
        ReleaseCapture();
    }
}

TEST_F(ButtonWindowTest, CheckStateIsSentToTheWindowAndPaintedOnlyWhenItChanges) {
    int paints = attenuatorRecord.paints;
    attenuator.SetCheckState(1, TRUE);
    EXPECT_EQ(attenuatorRecord.checks, (std::vector<WPARAM>{1}));
    EXPECT_GT(attenuatorRecord.paints, paints);

    paints = attenuatorRecord.paints;
    attenuator.SetCheckState(1, TRUE);
    EXPECT_EQ(attenuatorRecord.checks.size(), 1u);
    EXPECT_EQ(attenuatorRecord.paints, paints);
}

TEST_F(ButtonWindowTest, TheBackgroundIsNeverErasedOnItsOwn) {
    const HDC dc = GetDC(attenuatorWindow);
    EXPECT_EQ(Send(attenuatorWindow, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), TRUE);
    ReleaseDC(attenuatorWindow, dc);
}

TEST_F(ButtonWindowTest, DisablingRepaints) {
    const int paints = attenuatorRecord.paints;
    EnableWindow(attenuatorWindow, FALSE);
    EXPECT_GT(attenuatorRecord.paints, paints);
    EXPECT_FALSE(attenuator.Look().enabled);
    EnableWindow(attenuatorWindow, TRUE);
}

TEST_F(ButtonWindowTest, ThePictureBecomesAOneImageListOfItsSize) {
    picture.SetImage(IDB_RECEIVER_PICTURE, 0);
    EXPECT_EQ(picture.m_nImageWidth, 200);
    EXPECT_EQ(picture.m_nImageHeight, 152);
    const auto list = static_cast<HIMAGELIST>(picture.m_ImageList);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(list), 1);
    int width = 0, height = 0;
    ImageList_GetIconSize(list, &width, &height);
    EXPECT_EQ(width, 200);
    EXPECT_EQ(height, 152);

    picture.SetImage(4711, 0);
    EXPECT_EQ(picture.m_nImageWidth, 0);
    EXPECT_EQ(picture.m_nImageHeight, 0);
    EXPECT_EQ(picture.m_ImageList, nullptr);
}

TEST_F(ButtonWindowTest, TheDropDownChecksTheSelectionAndReportsTheChosenRate) {
    sample.SetDropDownMenu(IDR_SAMPLE_MENU);
    sample.SetMenuSelection(2, "200 kHz Sample");
    QueueKeys({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
    Send(sampleWindow, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));

    EXPECT_EQ(parent.checksAtMenuOpen, (std::vector<bool>{false, false, true, false, false, false, false, false}));
    EXPECT_EQ(sample.m_nMenuCommand, ID_SAMPLES_500KHZ);
    ASSERT_EQ(parent.Count(WM_COMMAND), 1);
    EXPECT_EQ(parent.messages.back().wParam, MAKEWPARAM(IDC_SAMPLE_BUTTON, BN_CLICKED));
    EXPECT_EQ(sample.m_bMenuOpen, 0);
    char label[64] = {};
    GetWindowTextA(sampleWindow, label, sizeof(label));
    EXPECT_STREQ(label, "200 kHz Sample");
}

// The pixels are the user's view: the button's state may be right while a
// repaint between two steps showed something else.
TEST_F(ButtonWindowTest, WhileTheDropDownIsOpenTheButtonKeepsItsHoverLookAndDismissingReportsNothing) {
    sample.SetDropDownMenu(IDR_SAMPLE_MENU);
    // Bound but not yet painted by the button when this case runs first.
    RedrawWindow(sampleWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const std::vector<COLORREF> resting = Pixels(sampleWindow);
    Send(sampleWindow, WM_MOUSEMOVE, 0, At(5, 5));
    ASSERT_EQ(GetCapture(), sampleWindow);
    const std::vector<COLORREF> hover = Pixels(sampleWindow);
    ASSERT_GT(Differing(hover, resting), 0) << "the hover look must be told apart from the resting look";

    std::vector<COLORREF> open;
    parent.whileMenuOpen = [&] {
        open = Pixels(sampleWindow);
        QueueKeys({VK_ESCAPE});
    };
    Send(sampleWindow, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    const std::vector<COLORREF> closed = Pixels(sampleWindow);

    ASSERT_FALSE(open.empty()) << "the menu's loop never waited";
    RecordProperty("pixels", static_cast<int>(open.size()));
    RecordProperty("open_differ_from_hover", Differing(open, hover));
    RecordProperty("open_differ_from_resting", Differing(open, resting));
    RecordProperty("closed_differ_from_resting", Differing(closed, resting));
    EXPECT_EQ(Differing(open, hover), 0) << "of " << open.size() << " pixels while the menu was open, "
                                         << Differing(open, resting) << " differ from the resting look";
    EXPECT_EQ(Differing(closed, resting), 0) << "after the menu closed";
    EXPECT_EQ(parent.menusOpened, 1);
    EXPECT_EQ(sample.m_nMenuCommand, 0);
    EXPECT_EQ(parent.Count(WM_COMMAND), 0);
}

TEST_F(ButtonWindowTest, AGreyedRateCannotBeChosen) {
    sample.SetDropDownMenu(IDR_SAMPLE_MENU);
    QueueKeys({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN, VK_ESCAPE});
    Send(sampleWindow, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    Pump();
    EXPECT_EQ(sample.m_nMenuCommand, 0);
    EXPECT_EQ(parent.Count(WM_COMMAND), 0);
}

TEST_F(ButtonWindowTest, OverTheButtonThePointerIsTheThemesHand) {
    const auto saved = excalibur::theme.HandCursor;
    const HCURSOR hand = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDCUR_HAND));
    ASSERT_NE(hand, nullptr);
    excalibur::theme.HandCursor = hand;

    RECT rect{};
    GetWindowRect(attenuatorWindow, &rect);
    SetCursorPos(rect.left + 4, rect.top + 4);
    EXPECT_EQ(Send(attenuatorWindow, WM_SETCURSOR, reinterpret_cast<WPARAM>(attenuatorWindow),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);
    EXPECT_EQ(GetCursor(), hand);

    SetCursor(nullptr);
    SetCursorPos(rect.right + 40, rect.bottom + 40);
    Send(attenuatorWindow, WM_SETCURSOR, reinterpret_cast<WPARAM>(attenuatorWindow),
         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(GetCursor(), hand);
    excalibur::theme.HandCursor = saved;
}

TEST_F(ButtonWindowTest, AfterItsWindowIsDestroyedTheButtonOnlyKeepsItsValues) {
    MyButton button;
    const RECT rect{10, 10, 90, 30};
    const HWND window = platform::CreateButtonWindow(button, "short-lived", WS_CHILD | WS_VISIBLE, rect, dialog, 4712,
                                                     GetModuleHandleA(nullptr));
    ASSERT_TRUE(button.HasWindow());
    DestroyWindow(window);
    EXPECT_FALSE(button.HasWindow());
    button.SetCheckState(1, TRUE);
    button.SetMenuSelection(1, "gone");
    button.OnLButtonDown();
    EXPECT_EQ(button.m_bCheck, 1);
    EXPECT_EQ(button.Look().label, "");
    EXPECT_EQ(parent.Count(WM_COMMAND), 0);
}

}  // namespace
