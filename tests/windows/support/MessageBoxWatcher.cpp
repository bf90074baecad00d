#include "MessageBoxWatcher.h"

#include <algorithm>

namespace {

constexpr DWORD kPollMs = 20;

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

struct Search {
    DWORD process;
    std::vector<HWND> boxes;
};

BOOL CALLBACK CollectBox(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->process && IsWindowVisible(window) && ClassOf(window) == L"#32770")
        search->boxes.push_back(window);
    return TRUE;
}

BOOL CALLBACK ReadChild(HWND child, LPARAM param) {
    auto* box = reinterpret_cast<ShownBox*>(param);
    const std::wstring cls = ClassOf(child);
    if (_wcsicmp(cls.c_str(), L"Static") == 0) {
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            box->hasIcon = true;
            box->icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        } else if (box->text.empty()) {
            box->text = TextOf(child);
        }
    } else if (_wcsicmp(cls.c_str(), L"Button") == 0 && IsWindowVisible(child)) {
        box->buttons.push_back(GetDlgCtrlID(child));
    }
    return TRUE;
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher(int button, DWORD limitMs) : m_button(button), m_limitMs(limitMs) {
    m_thread.reset(CreateThread(nullptr, 0, &MessageBoxWatcher::Run, this, 0, nullptr));
}

MessageBoxWatcher::~MessageBoxWatcher() {
    Stop();
}

const std::vector<ShownBox>& MessageBoxWatcher::Stop() {
    m_stop = true;
    if (m_thread) {
        WaitForSingleObject(m_thread.get(), m_limitMs + 5000);
        m_thread.reset();
    }
    return m_boxes;
}

DWORD WINAPI MessageBoxWatcher::Run(void* self) {
    static_cast<MessageBoxWatcher*>(self)->Watch();
    return 0;
}

void MessageBoxWatcher::Watch() {
    const DWORD start = GetTickCount();
    while (!m_stop && GetTickCount() - start < m_limitMs) {
        // A closed box's handle may be handed to a later window: forget closed boxes.
        m_answered.erase(std::remove_if(m_answered.begin(), m_answered.end(), [](HWND box) { return !IsWindow(box); }),
                         m_answered.end());
        Search search{GetCurrentProcessId(), {}};
        EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&search));
        for (HWND box : search.boxes)
            if (std::find(m_answered.begin(), m_answered.end(), box) == m_answered.end())
                Answer(box);
        Sleep(kPollMs);
    }
}

void MessageBoxWatcher::Answer(HWND box) {
    ShownBox shown;
    shown.caption = TextOf(box);
    shown.hasOwner = GetWindow(box, GW_OWNER) != nullptr;
    EnumChildWindows(box, ReadChild, reinterpret_cast<LPARAM>(&shown));
    m_boxes.push_back(std::move(shown));
    m_answered.push_back(box);

    // Posted, not sent: the box runs its own modal loop on the thread that showed it.
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(m_button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, m_button)));
}
