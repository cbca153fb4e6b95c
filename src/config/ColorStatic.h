// The colour swatch: a static control that shows one colour over its whole area. It draws nothing itself;
// it answers the control-colour message, reflected to it by the dialog, with a brush of its colour.
#pragma once

#include "framework/GdiObject.h"
#include "framework/Static.h"

class CColorStatic : public CStatic {
public:
    CColorStatic() = default;
    ~CColorStatic() override = default;

    // Takes the colour to show; the swatch changes only at the next RebuildBrush.
    void SetColor(COLORREF color) { m_color = color; }
    void RebuildBrush();

protected:
    const MessageMap* GetMessageMap() const override;

private:
    HBRUSH CtlColor(HDC dc, UINT controlType);

    COLORREF m_color = 0;
    CBrush m_brush;
};
