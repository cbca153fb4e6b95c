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
        case MessageKind::Reflected:
            return false;
    }
    return false;
}

namespace {
template <class Predicate>
const MessageMapEntry* FindFirst(const MessageMap* map, Predicate matches) {
    for (; map != nullptr; map = map->base) {
        for (std::size_t i = 0; i < map->count; ++i) {
            if (matches(map->entries[i])) {
                return &map->entries[i];
            }
        }
    }
    return nullptr;
}
}  // namespace

const MessageMapEntry* MessageMap::Find(UINT message, WPARAM wParam, LPARAM lParam) const {
    return FindFirst(this,
                     [&](const MessageMapEntry& entry) { return entry.Matches(message, wParam, lParam); });
}

const MessageMapEntry* MessageMap::FindReflected(UINT message) const {
    return FindFirst(this, [&](const MessageMapEntry& entry) {
        return entry.kind == MessageKind::Reflected && entry.message == message;
    });
}
