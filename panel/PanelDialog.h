#pragma once

#include <atomic>

#include "platform/PanelWindow.h"

namespace excalibur {

// The dialog base of the panel: one modeless window made from a template of
// the plug-in's own resources, whose events arrive through DialogEvents.
class PanelDialog : public platform::DialogEvents {
public:
    explicit PanelDialog(int templateId) : m_nTemplateId(templateId) {}
    PanelDialog(const PanelDialog&) = delete;
    PanelDialog& operator=(const PanelDialog&) = delete;

    // 0 while the panel has no window.
    platform::WindowId Window() const { return m_hWnd; }

    // Creates the window; the derived OnInitDialog runs to its end inside.
    void CreateModeless() { platform::CreatePanelDialog(m_nTemplateId, *this); }
    void DestroyWindow() {
        if (m_hWnd != 0) platform::DestroyPanelWindow(m_hWnd);
        m_hWnd = 0;
    }

protected:
    ~PanelDialog() = default;

    void AttachWindow(platform::WindowId window) { m_hWnd = window; }
    void DetachWindow() { m_hWnd = 0; }

private:
    int m_nTemplateId;
    // Read by the exports on any thread while the panel's thread creates or destroys it.
    std::atomic<platform::WindowId> m_hWnd{0};
};

}  // namespace excalibur
