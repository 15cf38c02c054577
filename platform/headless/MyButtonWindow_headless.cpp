#include "platform/headless/MyButtonWindow_headless.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>

#include "platform/PanelWindow.h"
#include "platform/headless/HeadlessWindows.h"
#include "platform/headless/MemoryImage.h"
#include "platform/headless/PanelTemplate.h"

namespace headless {
namespace {

constexpr std::uint32_t kCommand = 0x111;
constexpr std::uint32_t kButtonRightClick = 0x218B;
constexpr int kClicked = 0;

struct LoadedMenu {
    std::vector<MenuItem> items;
};

struct LoadedBitmap {
    MemoryImage image;
    int bitsPerPixel = 0;
};

struct BitmapResource {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
};

struct Registry {
    std::mutex mutex;
    std::map<unsigned, std::vector<MenuItem>> menus;
    std::map<unsigned, BitmapResource> bitmaps;
    std::map<std::pair<WindowId, int>, HeadlessButtonWindow*> buttons;
    HeadlessButtonWindow* captureOwner = nullptr;
    int liveMenus = 0;
    int liveBitmaps = 0;
    int liveImageLists = 0;

    // Menu 1020 and bitmap 136 as resources/ExtIO_Excalibur.rc has them.
    Registry() {
        auto& menu = menus[rc::kMenuId];
        for (const rc::MenuItem& item : rc::kMenuItems) menu.push_back({item.id, item.text, item.greyed});
        bitmaps[rc::kBitmapId] = {rc::kBitmapWidth, rc::kBitmapHeight, rc::kBitmapBitsPerPixel};
    }
};

// Never destroyed: buttons of a library unloaded at process exit may end
// after this library's statics.
Registry& Resources() {
    static Registry& registry = *new Registry;
    return registry;
}

LoadedMenu* AsMenu(platform::MenuHandle menu) { return static_cast<LoadedMenu*>(menu); }

}  // namespace

void DefineMenu(unsigned menuId, std::vector<MenuItem> popupItems) {
    auto& registry = Resources();
    std::lock_guard lock(registry.mutex);
    registry.menus[menuId] = std::move(popupItems);
}

void DefineBitmap(unsigned bitmapId, int width, int height, int bitsPerPixel) {
    auto& registry = Resources();
    std::lock_guard lock(registry.mutex);
    registry.bitmaps[bitmapId] = {width, height, bitsPerPixel};
}

HeadlessButtonWindow::HeadlessButtonWindow(WindowId dialog, int controlId, std::string label,
                                           platform::ButtonEvents* owner)
    : m_pOwner(owner), m_dialog(dialog), m_controlId(controlId), m_label(std::move(label)) {
    if (m_dialog == 0) return;
    auto& registry = Resources();
    std::lock_guard lock(registry.mutex);
    registry.buttons[{m_dialog, m_controlId}] = this;
}

HeadlessButtonWindow::~HeadlessButtonWindow() { Destroy(); }

void HeadlessButtonWindow::Destroy() {
    m_bAlive = false;
    auto& registry = Resources();
    std::lock_guard lock(registry.mutex);
    if (registry.captureOwner == this) registry.captureOwner = nullptr;
    const auto found = registry.buttons.find({m_dialog, m_controlId});
    if (found != registry.buttons.end() && found->second == this) registry.buttons.erase(found);
}

bool HeadlessButtonWindow::Exists() const { return m_bAlive; }

std::string HeadlessButtonWindow::Text() const { return m_label; }

void HeadlessButtonWindow::SetText(const char* text) {
    if (!m_bAlive) return;
    m_label = text ? text : "";
    // The dialog's record of its controls' texts shows the label too.
    if (m_dialog != 0) platform::SetControlText(m_dialog, m_controlId, m_label.c_str());
}

bool HeadlessButtonWindow::IsEnabled() const { return m_bAlive && enabled; }

std::uint32_t HeadlessButtonWindow::Style() const { return m_bAlive ? style : 0; }

void HeadlessButtonWindow::ModifyStyle(std::uint32_t remove, std::uint32_t add) {
    if (m_bAlive) style = (style & ~remove) | add;
}

platform::Rect HeadlessButtonWindow::ClientRect() const {
    if (!m_bAlive) return {};
    return {0, 0, screenRect.Width(), screenRect.Height()};
}

platform::Rect HeadlessButtonWindow::ScreenRect() const { return m_bAlive ? screenRect : platform::Rect{}; }

platform::Point HeadlessButtonWindow::CursorInClient() const { return cursor; }

std::intptr_t HeadlessButtonWindow::DefaultProcessing() {
    if (m_bAlive) ++defaultProcessings;
    return 0;
}

void HeadlessButtonWindow::RepaintNow() {
    if (m_bAlive) ++repaints;
}

void HeadlessButtonWindow::SendCheck(int state) {
    if (m_bAlive) checkState = state;
}

bool HeadlessButtonWindow::HasParent() const {
    if (!m_bAlive) return false;
    return parentHandler != nullptr || (m_dialog != 0 && WindowExists(m_dialog));
}

void HeadlessButtonWindow::SendClickToParent() {
    if (!HasParent()) return;
    const ParentMessage message{kCommand, static_cast<std::uintptr_t>(m_controlId & 0xFFFF), 0};
    sentToParent.push_back(message);
    if (parentHandler) {
        parentHandler(message);
    } else {
        SendCommand(m_dialog, m_controlId, kClicked);
    }
}

void HeadlessButtonWindow::SendRightClickToParent() {
    if (!HasParent()) return;
    const ParentMessage message{kButtonRightClick, static_cast<std::uintptr_t>(m_controlId), 0};
    sentToParent.push_back(message);
    if (parentHandler) parentHandler(message);
}

void HeadlessButtonWindow::TakeCapture() {
    if (m_bAlive) MoveCapture(this);
}

void HeadlessButtonWindow::ReleaseMouseCapture() { MoveCapture(nullptr); }

void HeadlessButtonWindow::MoveCapture(HeadlessButtonWindow* to) {
    auto& registry = Resources();
    HeadlessButtonWindow* lost = nullptr;
    {
        std::lock_guard lock(registry.mutex);
        lost = std::exchange(registry.captureOwner, to);
    }
    // Outside the lock: the owner answers with calls that take it again.
    if (lost != nullptr && lost != to && lost->m_bAlive && lost->m_pOwner != nullptr) {
        lost->m_pOwner->OnCaptureChanged(false);
    }
}

bool HeadlessButtonWindow::HoldsCapture() const {
    auto& registry = Resources();
    std::lock_guard lock(registry.mutex);
    return registry.captureOwner == this;
}

void HeadlessButtonWindow::ShowCursorShape(platform::CursorHandle shape) { shownCursor = shape; }

platform::MenuHandle HeadlessButtonWindow::LoadMenuResource(unsigned menuId) {
    auto& registry = Resources();
    std::lock_guard lock(registry.mutex);
    const auto found = registry.menus.find(menuId);
    if (found == registry.menus.end()) return nullptr;
    ++registry.liveMenus;
    return new LoadedMenu{found->second};
}

platform::MenuHandle HeadlessButtonWindow::PopupOf(platform::MenuHandle menu) { return menu; }

int HeadlessButtonWindow::MenuItemCount(platform::MenuHandle popup) {
    return popup ? static_cast<int>(AsMenu(popup)->items.size()) : -1;
}

void HeadlessButtonWindow::CheckMenuItemAt(platform::MenuHandle popup, int position, bool checked) {
    if (popup == nullptr) return;
    auto& items = AsMenu(popup)->items;
    if (position >= 0 && position < static_cast<int>(items.size()))
        items[static_cast<std::size_t>(position)].checked = checked;
}

int HeadlessButtonWindow::TrackPopup(platform::MenuHandle popup, platform::Point anchor) {
    if (!m_bAlive || popup == nullptr || !HasParent()) return 0;
    const auto& items = AsMenu(popup)->items;
    menuAnchor = anchor;
    menuChecksAtOpen.clear();
    for (const auto& item : items) menuChecksAtOpen.push_back(item.checked);
    if (whileMenuOpen) whileMenuOpen();
    const MenuAnswer answer = std::exchange(menuAnswer, MenuAnswer{});
    if (!answer.choose || answer.position < 0 || answer.position >= static_cast<int>(items.size())) return 0;
    const MenuItem& item = items[static_cast<std::size_t>(answer.position)];
    return item.greyed ? 0 : static_cast<int>(item.id);
}

void HeadlessButtonWindow::DestroyMenuHandle(platform::MenuHandle menu) {
    if (menu == nullptr) return;
    delete AsMenu(menu);
    auto& registry = Resources();
    std::lock_guard lock(registry.mutex);
    --registry.liveMenus;
}

platform::BitmapHandle HeadlessButtonWindow::LoadBitmapResource(unsigned bitmapId) {
    auto& registry = Resources();
    std::lock_guard lock(registry.mutex);
    const auto found = registry.bitmaps.find(bitmapId);
    if (found == registry.bitmaps.end()) return nullptr;
    const BitmapResource& resource = found->second;
    auto* bitmap = new LoadedBitmap;
    bitmap->image.width = resource.width;
    bitmap->image.height = resource.height;
    // A grey picture inside a transparent border, so that drawing it shows
    // both rules of the image list.
    bitmap->image.pixels.assign(static_cast<std::size_t>(resource.width) * static_cast<std::size_t>(resource.height),
                                kImageTransparentColor);
    for (int y = 1; y < resource.height - 1; ++y) {
        for (int x = 1; x < resource.width - 1; ++x) {
            bitmap->image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(resource.width) +
                                 static_cast<std::size_t>(x)] = 0x00505050u;
        }
    }
    bitmap->bitsPerPixel = resource.bitsPerPixel;
    ++registry.liveBitmaps;
    return bitmap;
}

bool HeadlessButtonWindow::DescribeBitmap(platform::BitmapHandle bitmap, platform::BitmapDescription& description) {
    if (bitmap == nullptr) return false;
    const auto* loaded = static_cast<const LoadedBitmap*>(bitmap);
    description = {loaded->image.width, loaded->image.height, loaded->bitsPerPixel};
    return true;
}

void HeadlessButtonWindow::DeleteBitmapHandle(platform::BitmapHandle bitmap) {
    if (bitmap == nullptr) return;
    delete static_cast<LoadedBitmap*>(bitmap);
    auto& registry = Resources();
    std::lock_guard lock(registry.mutex);
    --registry.liveBitmaps;
}

platform::ImageListHandle HeadlessButtonWindow::CreateImageList(int width, int height, unsigned flags) {
    if (width <= 0 || height <= 0) return nullptr;
    imageListFlags = flags;
    auto& registry = Resources();
    std::lock_guard lock(registry.mutex);
    ++registry.liveImageLists;
    // The surface draws an image list natively as the image it holds.
    return new MemoryImage{width, height, {}};
}

bool HeadlessButtonWindow::AddMaskedCopy(platform::ImageListHandle list, platform::BitmapHandle bitmap,
                                         std::uint32_t transparent) {
    if (list == nullptr || bitmap == nullptr) return false;
    auto* image = static_cast<MemoryImage*>(list);
    const auto& source = static_cast<const LoadedBitmap*>(bitmap)->image;
    if (source.width != image->width || source.height != image->height) return false;
    image->pixels = source.pixels;
    for (auto& pixel : image->pixels) {
        if ((pixel & 0x00FFFFFFu) == (transparent & 0x00FFFFFFu)) pixel = kImageTransparentColor;
    }
    return true;
}

void HeadlessButtonWindow::DestroyImageList(platform::ImageListHandle list) {
    if (list == nullptr) return;
    delete static_cast<MemoryImage*>(list);
    auto& registry = Resources();
    std::lock_guard lock(registry.mutex);
    --registry.liveImageLists;
}

const HeadlessButtonWindow* CaptureOwner() {
    auto& registry = Resources();
    std::lock_guard lock(registry.mutex);
    return registry.captureOwner;
}

HeadlessButtonWindow* FindButtonWindow(WindowId dialog, int controlId) {
    auto& registry = Resources();
    std::lock_guard lock(registry.mutex);
    const auto found = registry.buttons.find({dialog, controlId});
    return found == registry.buttons.end() ? nullptr : found->second;
}

int LiveMenus() {
    auto& registry = Resources();
    std::lock_guard lock(registry.mutex);
    return registry.liveMenus;
}

int LiveBitmaps() {
    auto& registry = Resources();
    std::lock_guard lock(registry.mutex);
    return registry.liveBitmaps;
}

int LiveImageLists() {
    auto& registry = Resources();
    std::lock_guard lock(registry.mutex);
    return registry.liveImageLists;
}

}  // namespace headless

namespace platform {

std::unique_ptr<ButtonWindow> OpenButtonWindow(WindowId dialog, int controlId, ButtonEvents& owner) {
    namespace layout = headless::panel_template;
    const rc::DialogControl* control = layout::FindPushButton(controlId);
    if (control == nullptr || !headless::WindowExists(dialog)) return nullptr;
    std::string label = headless::ControlText(dialog, controlId);
    if (label.empty()) label = control->text;
    auto window = std::make_unique<headless::HeadlessButtonWindow>(dialog, controlId, label, &owner);
    window->style = control->style;
    const Rect frame = headless::WindowRectOf(dialog);
    const int left = frame.left + layout::kFrameLeft + layout::PixelsAcross(control->x);
    const int top = frame.top + layout::kFrameTop + layout::PixelsDown(control->y);
    window->screenRect = {left, top, left + layout::PixelsAcross(control->width),
                          top + layout::PixelsDown(control->height)};
    return window;
}

}  // namespace platform
