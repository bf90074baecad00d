// Message maps: a static table per class from a window message (or a command id) to a member
// handler, chained to the base class's table.
//
//     BEGIN_MESSAGE_MAP(PlayerDialog, CDialog)
//         ON_WM_SIZE()
//         ON_WM_SYSCOMMAND()
//         ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
//     END_MESSAGE_MAP()
//
// Each entry carries a small function that unpacks the message's parameters for its handler
// (a message "cracker"), so a handler has the usual typed signature:
//     ON_WM_SIZE            void OnSize(UINT type, int cx, int cy)
//     ON_WM_SYSCOMMAND      void OnSysCommand(UINT id, LPARAM lParam)
//     ON_WM_PAINT           void OnPaint()
//     ON_WM_QUERYDRAGICON   HCURSOR OnQueryDragIcon()
//     ON_WM_TIMER           void OnTimer(UINT_PTR id)
//     ON_WM_DESTROY         void OnDestroy()
//     ON_COMMAND(id, &C::f) void f()                      (WM_COMMAND from a menu, an
//                                                          accelerator or a button click)
//     ON_MESSAGE(msg, &C::f) LRESULT f(WPARAM, LPARAM)
#pragma once

#include <windows.h>

class CCmdTarget;

struct MessageMapEntry {
    UINT message;  // WM_COMMAND for command entries
    UINT id;       // the command id of a WM_COMMAND entry; 0 otherwise
    LRESULT (*handler)(CCmdTarget& target, WPARAM wParam, LPARAM lParam);
};

struct MessageMap {
    const MessageMap* (*base)();     // the base class's map; null at the root
    const MessageMapEntry* entries;  // ends with an entry whose handler is null
};

// The first entry for the message (and, for WM_COMMAND, the command id) along the chain.
const MessageMapEntry* FindMessageEntry(const MessageMap* map, UINT message, UINT id);

#define DECLARE_MESSAGE_MAP()                     \
protected:                                        \
    static const MessageMap* GetThisMessageMap(); \
    const MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)          \
    const MessageMap* theClass::GetMessageMap() const { \
        return GetThisMessageMap();                     \
    }                                                   \
    const MessageMap* theClass::GetThisMessageMap() {   \
        using ThisClass [[maybe_unused]] = theClass;    \
        using TheBaseClass = baseClass;                 \
        static const MessageMapEntry entries[] = {
#define END_MESSAGE_MAP()                                                      \
    { 0, 0, nullptr }                                                          \
    }                                                                          \
    ;                                                                          \
    static const MessageMap map = {&TheBaseClass::GetThisMessageMap, entries}; \
    return &map;                                                               \
    }

#define ON_WM_SIZE()                                                                                         \
    {WM_SIZE, 0, [](CCmdTarget& target, WPARAM wParam, LPARAM lParam) -> LRESULT {                           \
         static_cast<ThisClass&>(target).OnSize(static_cast<UINT>(wParam), static_cast<int>(LOWORD(lParam)), \
                                                static_cast<int>(HIWORD(lParam)));                           \
         return 0;                                                                                           \
     }},

#define ON_WM_SYSCOMMAND()                                                                \
    {WM_SYSCOMMAND, 0, [](CCmdTarget& target, WPARAM wParam, LPARAM lParam) -> LRESULT {  \
         static_cast<ThisClass&>(target).OnSysCommand(static_cast<UINT>(wParam), lParam); \
         return 0;                                                                        \
     }},

#define ON_WM_PAINT()                                                 \
    {WM_PAINT, 0, [](CCmdTarget& target, WPARAM, LPARAM) -> LRESULT { \
         static_cast<ThisClass&>(target).OnPaint();                   \
         return 0;                                                    \
     }},

#define ON_WM_QUERYDRAGICON()                                                                 \
    {WM_QUERYDRAGICON, 0, [](CCmdTarget& target, WPARAM, LPARAM) -> LRESULT {                 \
         return reinterpret_cast<LRESULT>(static_cast<ThisClass&>(target).OnQueryDragIcon()); \
     }},

#define ON_WM_TIMER()                                                            \
    {WM_TIMER, 0, [](CCmdTarget& target, WPARAM wParam, LPARAM) -> LRESULT {     \
         static_cast<ThisClass&>(target).OnTimer(static_cast<UINT_PTR>(wParam)); \
         return 0;                                                               \
     }},

#define ON_WM_DESTROY()                                                 \
    {WM_DESTROY, 0, [](CCmdTarget& target, WPARAM, LPARAM) -> LRESULT { \
         static_cast<ThisClass&>(target).OnDestroy();                   \
         return 0;                                                      \
     }},

#define ON_COMMAND(commandId, memberFxn)                                          \
    {WM_COMMAND, (commandId), [](CCmdTarget& target, WPARAM, LPARAM) -> LRESULT { \
         (static_cast<ThisClass&>(target).*(memberFxn))();                        \
         return 0;                                                                \
     }},

#define ON_MESSAGE(message, memberFxn)                                               \
    {(message), 0, [](CCmdTarget& target, WPARAM wParam, LPARAM lParam) -> LRESULT { \
         return (static_cast<ThisClass&>(target).*(memberFxn))(wParam, lParam);      \
     }},
