#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ButtonWindow.h"

// A button window that writes every operation into a log the test keeps
// (the log outlives the window, which the button owns) and answers from
// fields the test sets.
class RecordingButtonWindow final : public platform::ButtonWindow {
public:
    using Log = std::vector<std::string>;

    explicit RecordingButtonWindow(std::shared_ptr<Log> log) : m_log(std::move(log)) {}
    ~RecordingButtonWindow() override { Record("window gone"); }

    bool exists = true;
    std::string text = "21 dB ATT";
    bool enabled = true;
    std::uint32_t style = 0x50010001;  // BS_DEFPUSHBUTTON in a dialog
    platform::Rect client{0, 0, 80, 20};
    platform::Rect screen{100, 200, 180, 220};
    platform::Point cursor{};
    bool hasParent = true;
    bool holdsCapture = false;
    bool menuAvailable = true;
    int menuItems = 8;
    int trackAnswer = 0;
    std::function<void()> duringTrack;
    bool bitmapAvailable = true;
    platform::BitmapDescription bitmap{200, 152, 8};
    bool imageListAccepts = true;

    bool Exists() const override { return exists; }
    std::string Text() const override { return text; }
    void SetText(const char* value) override {
        text = value;
        Record("text " + text);
    }
    bool IsEnabled() const override { return enabled; }
    std::uint32_t Style() const override { return style; }
    void ModifyStyle(std::uint32_t remove, std::uint32_t add) override { style = (style & ~remove) | add; }
    platform::Rect ClientRect() const override { return client; }
    platform::Rect ScreenRect() const override { return screen; }
    platform::Point CursorInClient() const override { return cursor; }

    std::intptr_t DefaultProcessing() override {
        Record("default");
        return 77;
    }
    void RepaintNow() override { Record("repaint"); }
    void SendCheck(int state) override { Record("BM_SETCHECK " + std::to_string(state)); }
    bool HasParent() const override { return hasParent; }
    void SendClickToParent() override { Record("click"); }
    void SendRightClickToParent() override { Record("right click"); }

    void TakeCapture() override {
        holdsCapture = true;
        Record("capture");
    }
    void ReleaseMouseCapture() override {
        holdsCapture = false;
        Record("release capture");
    }
    bool HoldsCapture() const override { return holdsCapture; }
    void ShowCursorShape(platform::CursorHandle) override { Record("hand cursor"); }

    platform::MenuHandle LoadMenuResource(unsigned menuId) override {
        Record("load menu " + std::to_string(menuId));
        return menuAvailable ? &m_menu : nullptr;
    }
    platform::MenuHandle PopupOf(platform::MenuHandle menu) override { return menu == &m_menu ? &m_popup : nullptr; }
    int MenuItemCount(platform::MenuHandle) override { return menuItems; }
    void CheckMenuItemAt(platform::MenuHandle popup, int position, bool checked) override {
        if (popup == &m_popup) Record("item " + std::to_string(position) + (checked ? " checked" : " unchecked"));
    }
    int TrackPopup(platform::MenuHandle popup, platform::Point anchor) override {
        if (popup != &m_popup) return -99;
        Record("track at " + std::to_string(anchor.x) + "," + std::to_string(anchor.y));
        if (duringTrack) duringTrack();
        return trackAnswer;
    }
    void DestroyMenuHandle(platform::MenuHandle menu) override {
        if (menu == &m_menu) Record("destroy menu");
    }

    platform::BitmapHandle LoadBitmapResource(unsigned bitmapId) override {
        Record("load bitmap " + std::to_string(bitmapId));
        return bitmapAvailable ? &m_bitmap : nullptr;
    }
    bool DescribeBitmap(platform::BitmapHandle handle, platform::BitmapDescription& description) override {
        if (handle != &m_bitmap) return false;
        description = bitmap;
        return true;
    }
    void DeleteBitmapHandle(platform::BitmapHandle handle) override {
        if (handle == &m_bitmap) Record("delete bitmap");
    }
    platform::ImageListHandle CreateImageList(int width, int height, unsigned flags) override {
        Record("create image list " + std::to_string(width) + "x" + std::to_string(height) + " flags " +
               std::to_string(flags));
        m_lists.push_back(std::make_unique<int>(0));
        return m_lists.back().get();
    }
    bool AddMaskedCopy(platform::ImageListHandle, platform::BitmapHandle handle, std::uint32_t transparent) override {
        Record("add masked copy transparent " + std::to_string(transparent) +
               (handle == &m_bitmap ? "" : " of a foreign bitmap"));
        return imageListAccepts;
    }
    void DestroyImageList(platform::ImageListHandle) override { Record("destroy image list"); }

private:
    void Record(std::string entry) { m_log->push_back(std::move(entry)); }

    std::shared_ptr<Log> m_log;
    int m_menu = 0;
    int m_popup = 0;
    int m_bitmap = 0;
    std::vector<std::unique_ptr<int>> m_lists;
};
