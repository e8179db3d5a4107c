// Static message tables: each dialog class lists the messages it handles and
// the member that handles each, and the dialog dispatches through them.
#pragma once

#include <functional>
#include <span>

#include "framework/Win32Types.h"
#include "framework/WinConst.h"

class CDialog;

namespace fw {

struct MessageEntry {
    unsigned message;
    unsigned code; // notification code of WM_COMMAND; 0 otherwise
    int id;        // control or command id of WM_COMMAND; 0 otherwise
    std::function<win::LRESULT(CDialog&, win::WPARAM, win::LPARAM)> call;
};

struct MessageMap {
    const MessageMap* base; // consulted after this one; null ends the chain
    std::span<const MessageEntry> entries;
};

inline win::WPARAM MakeCommandParam(int id, unsigned code) {
    return (static_cast<win::WPARAM>(code) << 16) | (static_cast<win::WPARAM>(id) & 0xFFFF);
}

template <class T> MessageEntry OnCommand(unsigned code, int id, void (T::*handler)()) {
    return {WM_COMMAND, code, id, [handler](CDialog& d, win::WPARAM, win::LPARAM) {
                (static_cast<T&>(d).*handler)();
                return win::LRESULT{0};
            }};
}

template <class T> MessageEntry OnBnClicked(int id, void (T::*handler)()) {
    return OnCommand(BN_CLICKED, id, handler);
}

template <class T> MessageEntry OnCbnSelchange(int id, void (T::*handler)()) {
    return OnCommand(CBN_SELCHANGE, id, handler);
}

template <class T> MessageEntry OnWmSysCommand(void (T::*handler)(UINT, win::LPARAM)) {
    return {WM_SYSCOMMAND, 0, 0, [handler](CDialog& d, win::WPARAM w, win::LPARAM l) {
                (static_cast<T&>(d).*handler)(static_cast<UINT>(w), l);
                return win::LRESULT{0};
            }};
}

template <class T> MessageEntry OnWmPaint(void (T::*handler)()) {
    return {WM_PAINT, 0, 0, [handler](CDialog& d, win::WPARAM, win::LPARAM) {
                (static_cast<T&>(d).*handler)();
                return win::LRESULT{0};
            }};
}

template <class T, class R> MessageEntry OnWmQueryDragIcon(R (T::*handler)()) {
    return {WM_QUERYDRAGICON, 0, 0, [handler](CDialog& d, win::WPARAM, win::LPARAM) {
                return reinterpret_cast<win::LRESULT>((static_cast<T&>(d).*handler)());
            }};
}

} // namespace fw
