#include "framework/RegistryKey.h"

CRegistryKey::~CRegistryKey() {
    if (m_hKey != nullptr) {
        ::RegCloseKey(m_hKey);
    }
}

CRegistryKey CRegistryKey::Create(HKEY parent, const std::string& subKey) {
    CRegistryKey key;
    if (::RegCreateKeyExA(parent, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                          nullptr, &key.m_hKey, nullptr) != ERROR_SUCCESS) {
        key.m_hKey = nullptr;
    }
    return key;
}

bool CRegistryKey::QueryDword(const char* name, DWORD& value) const {
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    if (m_hKey == nullptr ||
        ::RegQueryValueExA(m_hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data) {
        return false;
    }
    value = data;
    return true;
}

bool CRegistryKey::QueryString(const char* name, std::string& value) const {
    DWORD type = 0;
    DWORD size = 0;
    if (m_hKey == nullptr ||
        ::RegQueryValueExA(m_hKey, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ) {
        return false;
    }
    // The size asked for first may fall short: the value may change between the reads, and the size of
    // the UTF-8 text is only known once it is converted. A buffer too small is made larger and read again.
    std::string data;
    for (int attempt = 0; attempt < 4; ++attempt) {
        data.assign(static_cast<size_t>(size) + 1, '\0');
        DWORD read = size;
        const LONG result =
            ::RegQueryValueExA(m_hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &read);
        if (result == ERROR_SUCCESS && type == REG_SZ) {
            // A stored string need not carry its terminating zero; it ends at the first one.
            data.resize(read);
            value.assign(data.c_str());
            return true;
        }
        if (result != ERROR_MORE_DATA) {
            return false;
        }
        size = read > size ? read : size * 2;
    }
    return false;
}

bool CRegistryKey::SetDword(const char* name, DWORD value) const {
    return m_hKey != nullptr &&
           ::RegSetValueExA(m_hKey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                            sizeof value) == ERROR_SUCCESS;
}

bool CRegistryKey::SetString(const char* name, const std::string& value) const {
    return m_hKey != nullptr &&
           ::RegSetValueExA(m_hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}
