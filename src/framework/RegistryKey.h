// An open registry key, closed when the object goes.
#pragma once

#include <windows.h>

#include <string>

class CRegistryKey {
public:
    CRegistryKey() = default;
    ~CRegistryKey();
    CRegistryKey(CRegistryKey&& other) noexcept : m_hKey(other.m_hKey) { other.m_hKey = nullptr; }
    CRegistryKey& operator=(CRegistryKey&&) = delete;
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // Opens `subKey` of `parent` for reading and writing, creating every missing key on the path.
    static CRegistryKey Create(HKEY parent, const std::string& subKey);

    // False when the key is not open or the value is absent or of another type.
    bool QueryDword(const char* name, DWORD& value) const;
    bool QueryString(const char* name, std::string& value) const;
    bool SetDword(const char* name, DWORD value) const;
    bool SetString(const char* name, const std::string& value) const;

private:
    HKEY m_hKey = nullptr;
};
