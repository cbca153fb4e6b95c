#include "settings/HotKeySettings.h"

#include "settings/AppSettings.h"
#include "settings/SettingsCodec.h"

void CHotKeySettings::LoadForControl(WORD& key, WORD& controlFlags, WORD& storedFlags) const {
    CAppSettings settings;
    settings.ReadHotKey(key, storedFlags);
    controlFlags = HotKeyControlFlagsFromStored(storedFlags);
}

void CHotKeySettings::SaveFromControl(WORD key, WORD controlFlags) const {
    CAppSettings settings;
    settings.WriteHotKey(key, StoredFlagsFromHotKeyControl(controlFlags));
}
