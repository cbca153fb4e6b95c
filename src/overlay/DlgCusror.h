// The big pointer: a disabled, layered, topmost tool window showing the cursor bitmap, its centre moved
// onto the real pointer on every tick.
#pragma once

#include <string>

#include "framework/Dialog.h"
#include "framework/GdiObject.h"
#include "framework/Static.h"
#include "settings/AppSettings.h"

class CDlgCusror : public CDialog {
public:
    explicit CDlgCusror(CWnd* parent = nullptr);

protected:
    const MessageMap* GetMessageMap() const override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;

private:
    void OnTimer(UINT_PTR timerId);
    void OnDestroy();
    LRESULT OnWindowPosChanging(WPARAM, LPARAM windowPos);
    void ApplyLayering();
    void ShowBitmap();

    CBitmap m_bitmap;
    CAppSettings m_settings;
    std::string m_bitmapPath;
    RECT m_windowRect{};  // measured once, after sizing to the bitmap; all 0 while no bitmap is shown
    CStatic m_picture;
};
