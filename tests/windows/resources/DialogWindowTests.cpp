// The templates as the system's dialog manager builds windows from them: the layout in
// dialog units of the template font, visibility at creation, the default button and the
// tab stops. Child rectangles are compared with the template rectangles mapped by the
// dialog itself, so the checks hold for any font metrics.
#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>
#include <vector>

#include "ResourceModule.h"

// RECT lives in the global namespace; its comparison and printer must too, for GoogleTest
// to find them.
static bool operator==(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

static std::ostream& operator<<(std::ostream& out, const RECT& r) {
    return out << '(' << r.left << ',' << r.top << ")-(" << r.right << ',' << r.bottom << ')';
}

namespace {

constexpr wchar_t kFlashClassId[] = L"{D27CDB6E-AE6D-11CF-96B8-444553540000}";

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// A modeless window built from one of the module's templates; destroyed with the object.
class DialogWindow {
public:
    explicit DialogWindow(int id) {
        const auto bytes = ResourceBytes(5 /* RT_DIALOG */, id);
        if (!bytes.empty())
            m_window = CreateDialogIndirectParamW(ResourceModule(), reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()),
                                                  nullptr, QuietDialogProc, 0);
    }
    ~DialogWindow() {
        if (m_window)
            DestroyWindow(m_window);
    }
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    HWND get() const { return m_window; }

private:
    HWND m_window = nullptr;
};

// Stands in for the Flash control, so that the player template can be built without it.
class StandInControlClass {
public:
    StandInControlClass() {
        WNDCLASSW wc{};
        wc.style = CS_GLOBALCLASS;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kFlashClassId;
        m_atom = RegisterClassW(&wc);
    }
    ~StandInControlClass() {
        if (m_atom)
            UnregisterClassW(kFlashClassId, GetModuleHandleW(nullptr));
    }
    StandInControlClass(const StandInControlClass&) = delete;
    StandInControlClass& operator=(const StandInControlClass&) = delete;

    bool registered() const { return m_atom != 0; }

private:
    ATOM m_atom = 0;
};

RECT DialogUnits(HWND dialog, int left, int top, int right, int bottom) {
    RECT r{left, top, right, bottom};
    MapDialogRect(dialog, &r);
    return r;
}

// Where the dialog manager puts an item: position and size are converted separately, so
// the far edges can differ by a rounding pixel from converting them as a rectangle.
RECT ItemRect(HWND dialog, int x, int y, int cx, int cy) {
    const RECT units = DialogUnits(dialog, x, y, cx, cy);
    return {units.left, units.top, units.left + units.right, units.top + units.bottom};
}

RECT ClientRect(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return r;
}

RECT RectInParent(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Children in creation order, which is template order.
std::vector<HWND> Children(HWND dialog) {
    std::vector<HWND> children;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        children.push_back(c);
    return children;
}

TEST(AboutWindow, LaysOutIconTextsAndDefaultButton) {
    DialogWindow about(100);
    ASSERT_NE(about.get(), nullptr) << "error " << GetLastError();
    EXPECT_FALSE(IsWindowVisible(about.get()));
    EXPECT_EQ(ClientRect(about.get()), DialogUnits(about.get(), 0, 0, 235, 55));

    const auto children = Children(about.get());
    ASSERT_EQ(children.size(), 4u);
    // The icon control sizes itself to the icon; only its corner is the template's.
    const RECT icon = RectInParent(children[0]);
    const RECT iconCorner = ItemRect(about.get(), 11, 17, 20, 20);
    EXPECT_EQ(icon.left, iconCorner.left);
    EXPECT_EQ(icon.top, iconCorner.top);
    EXPECT_NE(SendMessageW(children[0], STM_GETICON, 0, 0), 0) << "icon 128 not shown";
    EXPECT_EQ(RectInParent(children[1]), ItemRect(about.get(), 40, 10, 119, 8));
    EXPECT_EQ(RectInParent(children[2]), ItemRect(about.get(), 40, 25, 119, 8));
    EXPECT_EQ(RectInParent(children[3]), ItemRect(about.get(), 178, 7, 50, 14));

    HWND ok = GetDlgItem(about.get(), IDOK);
    EXPECT_EQ(ok, children[3]);
    EXPECT_EQ(SendMessageW(about.get(), DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
    // The OK button is the only tab stop: tabbing from it comes back to it.
    EXPECT_EQ(GetNextDlgTabItem(about.get(), nullptr, FALSE), ok);
    EXPECT_EQ(GetNextDlgTabItem(about.get(), ok, FALSE), ok);
}

TEST(PlayerWindow, IsVisibleSizableAndControlKeepsOneUnitButAtTheBottom) {
    StandInControlClass control;
    ASSERT_TRUE(control.registered());
    DialogWindow player(102);
    ASSERT_NE(player.get(), nullptr) << "error " << GetLastError();
    EXPECT_TRUE(IsWindowVisible(player.get()));
    const LONG_PTR style = GetWindowLongPtrW(player.get(), GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
              WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    EXPECT_TRUE(GetWindowLongPtrW(player.get(), GWL_EXSTYLE) & WS_EX_APPWINDOW);

    const RECT client = ClientRect(player.get());
    EXPECT_EQ(client, DialogUnits(player.get(), 0, 0, 454, 306));
    HWND movie = GetDlgItem(player.get(), 1000);
    ASSERT_NE(movie, nullptr);
    wchar_t className[64] = {};
    GetClassNameW(movie, className, 64);
    EXPECT_STREQ(className, kFlashClassId);
    const RECT area = RectInParent(movie);
    EXPECT_EQ(area, ItemRect(player.get(), 1, 1, 452, 305));
    // A unit of space left, top and right; none at the bottom but a rounding pixel.
    EXPECT_GT(area.left, client.left);
    EXPECT_GT(area.top, client.top);
    EXPECT_LT(area.right, client.right);
    EXPECT_NEAR(area.bottom, client.bottom, 1);
}

TEST(StatusWindow, IsHiddenFixedFrameWithWhiteRectangleTwoUnitsIn) {
    DialogWindow status(130);
    ASSERT_NE(status.get(), nullptr) << "error " << GetLastError();
    EXPECT_FALSE(IsWindowVisible(status.get()));
    const LONG_PTR style = GetWindowLongPtrW(status.get(), GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    EXPECT_EQ(ClientRect(status.get()), DialogUnits(status.get(), 0, 0, 382, 263));
    const auto children = Children(status.get());
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(RectInParent(children[0]), ItemRect(status.get(), 2, 2, 378, 259));
}

}  // namespace
