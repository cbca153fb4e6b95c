// Static message maps: one table of typed entries per window class, chained to its base class's table.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>

class CWnd;

using MessageInvoker = LRESULT (*)(CWnd& target, WPARAM wParam, LPARAM lParam);

enum class MessageKind {
    Message,     // a window message by number
    Command,     // WM_COMMAND from a control or menu item: notification code and identifier
    Notify,      // WM_NOTIFY: notification code and the sender's identifier
    Registered,  // a registered message whose number a variable holds once it is known
};

struct MessageMapEntry {
    MessageKind kind;
    UINT message;            // Message: the message number
    UINT code;               // Command, Notify: the notification code
    UINT id;                 // Command, Notify: the control or command identifier
    const UINT* registered;  // Registered: the variable that holds the message number (0 until registered)
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

// A message handled as LRESULT Handler(WPARAM, LPARAM).
template <auto Handler>
MessageMapEntry MapMessage(UINT message) {
    return {MessageKind::Message, message, 0, 0, nullptr, [](CWnd& wnd, WPARAM wParam, LPARAM lParam) {
                return (message_map_detail::Target<Handler>(wnd).*Handler)(wParam, lParam);
            }};
}

// A registered message, handled as LRESULT Handler(WPARAM, LPARAM); `number` is read at dispatch.
template <auto Handler>
MessageMapEntry MapRegisteredMessage(const UINT& number) {
    return {MessageKind::Registered, 0, 0, 0, &number, [](CWnd& wnd, WPARAM wParam, LPARAM lParam) {
                return (message_map_detail::Target<Handler>(wnd).*Handler)(wParam, lParam);
            }};
}

// WM_TIMER, handled as void Handler(UINT_PTR timerId).
template <auto Handler>
MessageMapEntry MapTimer() {
    return {MessageKind::Message, WM_TIMER, 0, 0, nullptr, [](CWnd& wnd, WPARAM wParam, LPARAM) -> LRESULT {
                (message_map_detail::Target<Handler>(wnd).*Handler)(static_cast<UINT_PTR>(wParam));
                return 0;
            }};
}

// A message without arguments or result worth passing (WM_DESTROY, WM_CLOSE, WM_PAINT), handled as
// void Handler().
template <auto Handler>
MessageMapEntry MapVoidMessage(UINT message) {
    return {MessageKind::Message, message, 0, 0, nullptr, [](CWnd& wnd, WPARAM, LPARAM) -> LRESULT {
                (message_map_detail::Target<Handler>(wnd).*Handler)();
                return 0;
            }};
}

// WM_COMMAND with code 0: a menu item, or BN_CLICKED of a button; handled as void Handler().
template <auto Handler>
MessageMapEntry MapCommand(UINT id) {
    return {MessageKind::Command, WM_COMMAND, 0, id, nullptr, [](CWnd& wnd, WPARAM, LPARAM) -> LRESULT {
                (message_map_detail::Target<Handler>(wnd).*Handler)();
                return 0;
            }};
}

// WM_NOTIFY from control `id` with `code`, handled as void Handler(NMHDR*, LRESULT* result).
template <auto Handler>
MessageMapEntry MapNotify(UINT id, UINT code) {
    return {MessageKind::Notify, WM_NOTIFY, code, id, nullptr, [](CWnd& wnd, WPARAM, LPARAM lParam) {
                LRESULT result = 0;
                (message_map_detail::Target<Handler>(wnd).*Handler)(reinterpret_cast<NMHDR*>(lParam),
                                                                    &result);
                return result;
            }};
}
