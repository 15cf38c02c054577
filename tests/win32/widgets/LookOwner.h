#pragma once

#include "platform/ButtonWindow.h"
#include "widgets/ButtonLook.h"
#include "widgets/ButtonPainter.h"

// A button window's owner that paints a given look and takes no other
// message: the paint handler alone, without MyButton's behaviour.
struct LookOwner final : platform::ButtonEvents {
    excalibur::ButtonLook look;

    void OnPaint(platform::DrawingSurface& surface, platform::Rect client) const override {
        excalibur::DrawButton(surface, client, look);
    }
    void Bind(std::unique_ptr<platform::ButtonWindow>) override {}
    bool HasWindow() const override { return true; }
    std::uint32_t ForceStyle(std::uint32_t style) override { return style; }
    void OnMouseMove(unsigned, platform::Point) override {}
    void OnLButtonDown() override {}
    void OnLButtonUp() override {}
    void OnRButtonDown() override {}
    void OnKillFocus() override {}
    void OnCaptureChanged(bool) override {}
    void OnEnable() override {}
    std::intptr_t OnSetCursor() override { return 0; }
};
