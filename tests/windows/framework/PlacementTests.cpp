// Where a dialog goes after its initialisation.
#include "FrameworkTestSupport.h"
#include "TestResources.h"

#include "framework/DialogPlacement.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using framework_test::OwnerWindow;
using framework_test::ProbeDialog;
using framework_test::TestApp;
using framework_test::WindowRect;
using framework_test::WorkArea;

namespace {

struct PositionCase {
    const char* name;
    RECT window;
    RECT centre;
    RECT area;
    POINT expected;
};

class CenteredPositionRule : public testing::TestWithParam<PositionCase> {};

TEST_P(CenteredPositionRule, CentresThenKeepsInsideTheArea) {
    const PositionCase& c = GetParam();
    const POINT p = CenteredPosition(c.window, c.centre, c.area);
    EXPECT_EQ(p.x, c.expected.x);
    EXPECT_EQ(p.y, c.expected.y);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CenteredPositionRule,
    testing::Values(
        PositionCase{"centred", {0, 0, 200, 100}, {0, 0, 1000, 800}, {0, 0, 1000, 800}, {400, 350}},
        PositionCase{"odd_sizes_round_down", {0, 0, 201, 101}, {0, 0, 1001, 801}, {0, 0, 1001, 801}, {400, 350}},
        PositionCase{"over_an_owner", {0, 0, 100, 50}, {300, 200, 500, 400}, {0, 0, 1000, 800}, {350, 275}},
        PositionCase{
            "crossing_right_and_bottom", {0, 0, 300, 200}, {800, 700, 1000, 800}, {0, 0, 1000, 800}, {700, 600}},
        PositionCase{"crossing_left_and_top", {0, 0, 300, 200}, {-100, -50, 100, 50}, {0, 30, 1000, 800}, {0, 30}},
        PositionCase{"larger_than_the_area", {0, 0, 1200, 900}, {0, 0, 1000, 800}, {10, 20, 1000, 800}, {10, 20}}),
    [](const testing::TestParamInfo<PositionCase>& info) { return std::string(info.param.name); });

enum class Owner { None, MainWindow, NearEdgeMainWindow };
enum class Action { None, Move, Grow, Show, EnableOwner };
enum class Expect { WorkAreaCentre, OwnerCentre, Moved, TemplatePlace, TopLeftOfWorkArea };

struct PlacementCase {
    const char* name;
    Owner owner;
    Action action;
    Expect expect;
};

class DialogPlacementRule : public testing::TestWithParam<PlacementCase> {};

TEST_P(DialogPlacementRule, AppliesAfterInitialisation) {
    const PlacementCase& c = GetParam();
    const RECT work = WorkArea();
    std::unique_ptr<OwnerWindow> owner;
    if (c.owner == Owner::MainWindow)
        owner = std::make_unique<OwnerWindow>(RECT{200, 150, 700, 550});
    else if (c.owner == Owner::NearEdgeMainWindow)
        owner =
            std::make_unique<OwnerWindow>(RECT{work.right - 120, work.bottom - 90, work.right + 120, work.bottom + 90});
    TestApp app;
    if (owner)
        app.m_pMainWnd = &owner->wnd();

    ProbeDialog dialog(IDD_PLAIN);
    RECT before{};
    RECT after{};
    dialog.onInit = [&](ProbeDialog& d) {
        switch (c.action) {
        case Action::None:
            break;
        case Action::Move:
            SetWindowPos(d.m_hWnd, nullptr, 37, 41, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            break;
        case Action::Grow:
            SetWindowPos(d.m_hWnd, nullptr, 0, 0, work.right - work.left + 200, work.bottom - work.top + 150,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            break;
        case Action::Show:
            d.ShowWindow(SW_SHOWNA);
            break;
        case Action::EnableOwner:
            EnableWindow(owner->hwnd(), TRUE);
            break;
        }
        before = WindowRect(d.m_hWnd);
        d.Probe();
    };
    dialog.onProbe = [&](ProbeDialog& d) {
        after = WindowRect(d.m_hWnd);
        d.EndDialog(IDOK);
    };
    ASSERT_EQ(dialog.DoModal(), IDOK);

    EXPECT_EQ(after.right - after.left, before.right - before.left) << "placement keeps the size";
    POINT expected{before.left, before.top};
    switch (c.expect) {
    case Expect::WorkAreaCentre:
        expected = CenteredPosition(after, work, work);
        EXPECT_NE(expected.x, before.left) << "the case must be able to tell centring from staying";
        break;
    case Expect::OwnerCentre:
        expected = CenteredPosition(after, WindowRect(owner->hwnd()), work);
        break;
    case Expect::Moved:
        expected = POINT{37, 41};
        break;
    case Expect::TemplatePlace:
        break;
    case Expect::TopLeftOfWorkArea:
        expected = POINT{work.left, work.top};
        break;
    }
    EXPECT_EQ(after.left, expected.x);
    EXPECT_EQ(after.top, expected.y);
    if (c.owner == Owner::NearEdgeMainWindow) {
        EXPECT_EQ(after.right, work.right) << "moved back inside the right edge";
        EXPECT_EQ(after.bottom, work.bottom) << "moved back inside the bottom edge";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DialogPlacementRule,
    testing::Values(
        PlacementCase{"untouched_is_centred_in_the_work_area", Owner::None, Action::None, Expect::WorkAreaCentre},
        PlacementCase{"moved_during_init_stays", Owner::None, Action::Move, Expect::Moved},
        PlacementCase{"shown_during_init_stays", Owner::None, Action::Show, Expect::TemplatePlace},
        PlacementCase{"owned_is_centred_over_the_owner", Owner::MainWindow, Action::None, Expect::OwnerCentre},
        PlacementCase{"enabled_owner_leaves_it_alone", Owner::MainWindow, Action::EnableOwner, Expect::TemplatePlace},
        PlacementCase{"larger_than_the_work_area_goes_to_its_corner", Owner::None, Action::Grow,
                      Expect::TopLeftOfWorkArea},
        PlacementCase{"crossing_the_edges_is_moved_back_inside", Owner::NearEdgeMainWindow, Action::None,
                      Expect::OwnerCentre}),
    [](const testing::TestParamInfo<PlacementCase>& info) { return std::string(info.param.name); });

}  // namespace
