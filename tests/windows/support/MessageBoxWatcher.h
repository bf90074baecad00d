// Answers the message boxes this process shows, so a test never blocks on one, and records
// what each box said.
//
// A background thread looks every 20 ms for top-level dialog windows ("#32770") of this
// process, records each new one and presses the chosen button. It stops when Stop() is called
// or after its time limit, whichever comes first.
#pragma once

#include "platform/Handles.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

struct ShownBox {
    std::wstring caption;
    std::wstring text;         // the message: the box's static text
    bool hasOwner = false;     // the box had an owner window
    bool hasIcon = false;      // an icon is shown beside the text
    HICON icon = nullptr;      // the icon shown, when there is one
    std::vector<int> buttons;  // ids of the buttons it offered (IDOK, IDCANCEL, IDYES, ...)
};

class MessageBoxWatcher {
public:
    // button: the id to press (IDOK, IDYES, IDNO). limitMs: how long to watch at most.
    explicit MessageBoxWatcher(int button = IDOK, DWORD limitMs = 20000);
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    // Stops watching and returns every box seen, in the order they appeared.
    const std::vector<ShownBox>& Stop();

private:
    static DWORD WINAPI Run(void* self);
    void Watch();
    void Answer(HWND box);

    const int m_button;
    const DWORD m_limitMs;
    std::atomic<bool> m_stop{false};
    std::vector<HWND> m_answered;
    std::vector<ShownBox> m_boxes;  // written by the watcher thread until it has ended
    UniqueKernelHandle m_thread;
};
