#include "framework/MessageMap.h"

bool MessageMapEntry::Matches(UINT incoming, WPARAM wParam, LPARAM lParam) const {
    switch (kind) {
        case MessageKind::Message:
            return incoming == message;
        case MessageKind::Command:
            return incoming == WM_COMMAND && HIWORD(wParam) == code && LOWORD(wParam) == id;
        case MessageKind::Notify: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            return incoming == WM_NOTIFY && header != nullptr && header->code == code && header->idFrom == id;
        }
        case MessageKind::Registered:
            return *registered != 0 && incoming == *registered;
    }
    return false;
}

const MessageMapEntry* MessageMap::Find(UINT message, WPARAM wParam, LPARAM lParam) const {
    for (const MessageMap* map = this; map != nullptr; map = map->base) {
        for (std::size_t i = 0; i < map->count; ++i) {
            if (map->entries[i].Matches(message, wParam, lParam)) {
                return &map->entries[i];
            }
        }
    }
    return nullptr;
}
