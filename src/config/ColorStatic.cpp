#include "config/ColorStatic.h"

const MessageMap* CColorStatic::GetMessageMap() const {
    static const MessageMapEntry entries[] = {
        MapCtlColorReflect<&CColorStatic::CtlColor>(),
    };
    static const MessageMap map(CStatic::GetMessageMap(), entries);
    return &map;
}

void CColorStatic::RebuildBrush() {
    m_brush.DeleteObject();
    // Without a brush the control paints with the system's background until the next colour.
    m_brush.CreateSolidBrush(m_color);
    InvalidateRect(nullptr, TRUE);
}

HBRUSH CColorStatic::CtlColor(HDC, UINT) {
    return m_brush;
}
