// GDI objects owned by their wrapper: deleted when the wrapper goes or takes another.
#pragma once

#include <windows.h>

#include <string>

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
    // Loads a bitmap file at its own size; false, holding nothing, when the file is no loadable bitmap.
    BOOL LoadFromFile(HINSTANCE instance, const std::string& path) {
        Attach(
            static_cast<HBITMAP>(::LoadImageA(instance, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
        return m_hObject != nullptr;
    }
    int GetBitmap(BITMAP* description) const { return ::GetObjectA(m_hObject, sizeof(BITMAP), description); }
};

class CBrush : public CGdiObject<HBRUSH> {
public:
    BOOL CreateSolidBrush(COLORREF color) {
        Attach(::CreateSolidBrush(color));
        return m_hObject != nullptr;
    }
};
