// Static message maps: one table of typed entries per window class, chained to its base class's table.
#pragma once

#include <windows.h>

#include <cstddef>

class CWnd;

using MessageInvoker = LRESULT (*)(CWnd& target, WPARAM wParam, LPARAM lParam);

enum class MessageKind {
    Message,  // a window message by number
    Command,  // WM_COMMAND from a control or menu item: notification code and identifier
};

struct MessageMapEntry {
    MessageKind kind;
    UINT message;  // Message: the message number
    UINT code;     // Command: the notification code
    UINT id;       // Command: the control or command identifier
    MessageInvoker invoke;

    bool Matches(UINT incoming, WPARAM wParam, LPARAM lParam) const;
};

struct MessageMap {
    const MessageMap* base;
    const MessageMapEntry* entries;
    std::size_t count;

    template <std::size_t N>
    MessageMap(const MessageMap* baseMap, const MessageMapEntry (&table)[N])
        : base(baseMap), entries(table), count(N) {}
    explicit MessageMap(const MessageMap* baseMap) : base(baseMap), entries(nullptr), count(0) {}

    // The entry for this message, searching this class's table first, then each base class's.
    const MessageMapEntry* Find(UINT message, WPARAM wParam, LPARAM lParam) const;
};

namespace message_map_detail {
template <class Member>
struct OwnerOf;
template <class Owner, class Result, class... Args>
struct OwnerOf<Result (Owner::*)(Args...)> {
    using type = Owner;
};
template <auto Handler>
using Owner = typename OwnerOf<decltype(Handler)>::type;

template <auto Handler>
Owner<Handler>& Target(CWnd& wnd) {
    return static_cast<Owner<Handler>&>(wnd);
}
}  // namespace message_map_detail

// WM_TIMER, handled as void Handler(UINT_PTR timerId).
template <auto Handler>
MessageMapEntry MapTimer() {
    return {MessageKind::Message, WM_TIMER, 0, 0, [](CWnd& wnd, WPARAM wParam, LPARAM) -> LRESULT {
                (message_map_detail::Target<Handler>(wnd).*Handler)(static_cast<UINT_PTR>(wParam));
                return 0;
            }};
}

// A message without arguments or result worth passing (WM_DESTROY, WM_CLOSE, WM_PAINT), handled as
// void Handler().
template <auto Handler>
MessageMapEntry MapVoidMessage(UINT message) {
    return {MessageKind::Message, message, 0, 0, [](CWnd& wnd, WPARAM, LPARAM) -> LRESULT {
                (message_map_detail::Target<Handler>(wnd).*Handler)();
                return 0;
            }};
}

// WM_COMMAND with code 0: a menu item, or BN_CLICKED of a button; handled as void Handler().
template <auto Handler>
MessageMapEntry MapCommand(UINT id) {
    return {MessageKind::Command, WM_COMMAND, 0, id, [](CWnd& wnd, WPARAM, LPARAM) -> LRESULT {
                (message_map_detail::Target<Handler>(wnd).*Handler)();
                return 0;
            }};
}
