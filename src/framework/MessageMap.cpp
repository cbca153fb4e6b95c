#include "framework/MessageMap.h"

bool MessageMapEntry::Matches(UINT incoming, WPARAM wParam, LPARAM) const {
    switch (kind) {
        case MessageKind::Message:
            return incoming == message;
        case MessageKind::Command:
            return incoming == WM_COMMAND && HIWORD(wParam) == code && LOWORD(wParam) == id;
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
