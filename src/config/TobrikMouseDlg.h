// The configuration dialog: the one window of the configuration process. It shows the stored settings,
// starts and stops the overlay, and ends the process when it closes.
#pragma once

#include <string>

#include "config/ColorStatic.h"
#include "framework/Dialog.h"
#include "framework/HotKeyCtrl.h"
#include "framework/Menu.h"
#include "framework/SliderCtrl.h"
#include "settings/AppSettings.h"

// The number of the shell's "TaskbarCreated" message, registered when the dialog initialises.
extern UINT g_taskbarCreatedMessage;

class CTobrikMouseDlg : public CDialog {
public:
    explicit CTobrikMouseDlg(CWnd* parent = nullptr);
    ~CTobrikMouseDlg() override;

    // Reads the stored bitmap path and the size of that bitmap into the members behind edits 1002 and
    // 1012; the caller shows them.
    void UpdateBitmapInfo();

protected:
    const MessageMap* GetMessageMap() const override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnClose();
    void AddAboutItemToSystemMenu() const;

    CAppSettings m_settings;
    CMenu m_trayMenu;
    CSliderCtrl m_opacitySlider;
    CHotKeyCtrl m_hotKeyCtrl;
    CColorStatic m_colorSwatch;
    std::string m_bitmapPath;
    std::string m_bitmapInfo;
    HICON m_hIcon = nullptr;
};
