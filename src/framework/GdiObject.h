// GDI objects owned by their wrapper: deleted when the wrapper goes or takes another.
#pragma once

#include <windows.h>

template <class Handle>
class CGdiObject {
public:
    CGdiObject() = default;
    ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    // Takes ownership of `handle`, deleting the object held before.
    void Attach(Handle handle) {
        DeleteObject();
        m_hObject = handle;
    }
    void DeleteObject() {
        if (m_hObject != nullptr) {
            ::DeleteObject(m_hObject);
            m_hObject = nullptr;
        }
    }
    operator Handle() const { return m_hObject; }

protected:
    Handle m_hObject = nullptr;
};

class CBitmap : public CGdiObject<HBITMAP> {
public:
    int GetBitmap(BITMAP* description) const { return ::GetObjectA(m_hObject, sizeof(BITMAP), description); }
};

class CBrush : public CGdiObject<HBRUSH> {
public:
    BOOL CreateSolidBrush(COLORREF color) {
        Attach(::CreateSolidBrush(color));
        return m_hObject != nullptr;
    }
};
