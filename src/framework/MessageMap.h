// Static message maps: one table of typed entries per window class, chained to its base class's table.
#pragma once

#include <windows.h>

#include <cstddef>
#include <type_traits>

class CWnd;

using MessageInvoker = LRESULT (*)(CWnd& target, WPARAM wParam, LPARAM lParam);

enum class MessageKind {
    Message,     // a window message by number
    Command,     // WM_COMMAND from a control or menu item: notification code and identifier
    Notify,      // WM_NOTIFY from a control: notification code and identifier
    Registered,  // a message whose number a variable holds once it has been registered
    Reflected,   // a message its parent reflects to a control; never one the control's window receives
};

struct MessageMapEntry {
    MessageKind kind;
    UINT message;  // Message: the message number
    UINT code;     // Command, Notify: the notification code
    UINT id;       // Command, Notify: the control or command identifier
    MessageInvoker invoke;
    const UINT* registered = nullptr;  // Registered: the variable; no message matches while it holds 0

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
    // The entry for a message reflected by the parent, searched the same way.
    const MessageMapEntry* FindReflected(UINT message) const;
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

// Calls a member handler on the window object, or a free function that needs no window.
template <auto Handler, class... Args>
auto Call(CWnd& wnd, Args... args) {
    if constexpr (std::is_member_function_pointer_v<decltype(Handler)>) {
        return (Target<Handler>(wnd).*Handler)(args...);
    } else {
        return Handler(args...);
    }
}
}  // namespace message_map_detail

// The control-colour message as a parent reflects it to the control concerned: lParam points to a
// CtlColorReflection, and a non-null brush returned by the control's handler is the parent's answer.
// Its entries are reached only from the parent's dispatch, never from the control's window: any process
// can send a window this number, with any lParam.
inline constexpr UINT kReflectBase = 0xBC00;
inline constexpr UINT kReflectedCtlColor = kReflectBase + 0x0019;

struct CtlColorReflection {
    HWND control;
    HDC dc;
    UINT controlType;  // CTLCOLOR_EDIT, CTLCOLOR_STATIC, ...
};

// WM_TIMER, handled as void Handler(UINT_PTR timerId).
template <auto Handler>
MessageMapEntry MapTimer() {
    return {MessageKind::Message, WM_TIMER, 0, 0, [](CWnd& wnd, WPARAM wParam, LPARAM) -> LRESULT {
                message_map_detail::Call<Handler>(wnd, static_cast<UINT_PTR>(wParam));
                return 0;
            }};
}

// A message without arguments or result worth passing (WM_DESTROY, WM_CLOSE, WM_PAINT), handled as
// void Handler().
template <auto Handler>
MessageMapEntry MapVoidMessage(UINT message) {
    return {MessageKind::Message, message, 0, 0, [](CWnd& wnd, WPARAM, LPARAM) -> LRESULT {
                message_map_detail::Call<Handler>(wnd);
                return 0;
            }};
}

// WM_QUERYDRAGICON, handled as HCURSOR Handler().
template <auto Handler>
MessageMapEntry MapQueryDragIcon() {
    return {MessageKind::Message, WM_QUERYDRAGICON, 0, 0, [](CWnd& wnd, WPARAM, LPARAM) -> LRESULT {
                return reinterpret_cast<LRESULT>(message_map_detail::Call<Handler>(wnd));
            }};
}

// The control colour reflected to a control by its parent, handled as HBRUSH Handler(HDC, UINT type);
// a null brush leaves the answer to the parent.
template <auto Handler>
MessageMapEntry MapCtlColorReflect() {
    return {MessageKind::Reflected, kReflectedCtlColor, 0, 0,
            [](CWnd& wnd, WPARAM, LPARAM lParam) -> LRESULT {
                const auto* reflection = reinterpret_cast<const CtlColorReflection*>(lParam);
                return reinterpret_cast<LRESULT>(
                    message_map_detail::Call<Handler>(wnd, reflection->dc, reflection->controlType));
            }};
}

// WM_COMMAND with code 0: a menu item, or BN_CLICKED of a button; handled as void Handler(), a member
// or a free function.
template <auto Handler>
MessageMapEntry MapCommand(UINT id) {
    return {MessageKind::Command, WM_COMMAND, 0, id, [](CWnd& wnd, WPARAM, LPARAM) -> LRESULT {
                message_map_detail::Call<Handler>(wnd);
                return 0;
            }};
}

// WM_NOTIFY with `code` from control `id`, handled as void Handler(NMHDR*, LRESULT* result).
template <auto Handler>
MessageMapEntry MapNotify(UINT code, UINT id) {
    return {MessageKind::Notify, WM_NOTIFY, code, id, [](CWnd& wnd, WPARAM, LPARAM lParam) -> LRESULT {
                LRESULT result = 0;
                message_map_detail::Call<Handler>(wnd, reinterpret_cast<NMHDR*>(lParam), &result);
                return result;
            }};
}

// A message handled as LRESULT Handler(WPARAM, LPARAM).
template <auto Handler>
MessageMapEntry MapMessage(UINT message) {
    return {MessageKind::Message, message, 0, 0, [](CWnd& wnd, WPARAM wParam, LPARAM lParam) -> LRESULT {
                return message_map_detail::Call<Handler>(wnd, wParam, lParam);
            }};
}

// The registered message whose number `variable` holds, handled as LRESULT Handler(WPARAM, LPARAM).
template <auto Handler>
MessageMapEntry MapRegisteredMessage(const UINT& variable) {
    MessageMapEntry entry = MapMessage<Handler>(0);
    entry.kind = MessageKind::Registered;
    entry.registered = &variable;
    return entry;
}

// WM_SYSCOMMAND, handled as void Handler(UINT commandId, LPARAM).
template <auto Handler>
MessageMapEntry MapSysCommand() {
    return {MessageKind::Message, WM_SYSCOMMAND, 0, 0,
            [](CWnd& wnd, WPARAM wParam, LPARAM lParam) -> LRESULT {
                message_map_detail::Call<Handler>(wnd, static_cast<UINT>(wParam), lParam);
                return 0;
            }};
}

// WM_HELP, handled as BOOL Handler(HELPINFO*).
template <auto Handler>
MessageMapEntry MapHelpInfo() {
    return {MessageKind::Message, WM_HELP, 0, 0, [](CWnd& wnd, WPARAM, LPARAM lParam) -> LRESULT {
                return message_map_detail::Call<Handler>(wnd, reinterpret_cast<HELPINFO*>(lParam));
            }};
}
