// ActiveX control hosting in dialogs, against the test control: creation from template items
// with the persisted state, activation order, lookup, moves, events, calls and tear-down.
#include "FrameworkTestSupport.h"
#include "TestControl.h"
#include "TestResources.h"

#include "framework/ControlSite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using framework_test::ChildRect;
using framework_test::DerivedProbeDialog;
using framework_test::ProbeDialog;
using test_control::Controls;
using test_control::Record;
using test_control::Registration;

namespace {

std::string Text(const std::vector<std::byte>& bytes) {
    std::string s;
    for (std::byte b : bytes)
        s.push_back(static_cast<char>(b));
    return s;
}

VARIANT Long(long v) {
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_I4;
    r.lVal = v;
    return r;
}

VARIANT Bool(bool v) {
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_BOOL;
    r.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    return r;
}

VARIANT Text(const wchar_t* v) {
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_BSTR;
    r.bstrVal = SysAllocString(v);
    return r;
}

struct TemplateCase {
    const char* name;
    UINT templateId;
    RECT dialogUnits;       // the item's rectangle in the template
    const char* persisted;  // the state bytes the initialisation list holds for it
};

class HostedFromTemplate : public testing::TestWithParam<TemplateCase> {};

TEST_P(HostedFromTemplate, ControlIsCreatedAtTheItemsRectangleWithItsPersistedState) {
    const TemplateCase& c = GetParam();
    Registration registration;
    ASSERT_TRUE(registration.ok());
    ProbeDialog dialog(c.templateId);
    HWND dialogWindow = nullptr;
    CWnd* item = nullptr;
    RECT expected{};
    RECT actual{};
    dialog.onInit = [&](ProbeDialog& d) {
        dialogWindow = d.m_hWnd;
        expected = c.dialogUnits;
        MapDialogRect(d.m_hWnd, &expected);
        item = d.GetDlgItem(1000);
        if (item)
            actual = ChildRect(item->m_hWnd);
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);

    ASSERT_GE(Controls().size(), 1u);
    const Record& control = *Controls()[0];
    EXPECT_EQ(item, &dialog.hosted) << "GetDlgItem gives the wrapper bound by data exchange";
    EXPECT_NE(control.window, nullptr);
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(control.doVerbRect, expected);
    EXPECT_EQ(control.contextRect, expected);
    EXPECT_EQ(control.parent, dialogWindow);
    EXPECT_EQ(Text(control.loaded), c.persisted) << "the state is delivered byte for byte";
    EXPECT_TRUE(control.userMode);
}

INSTANTIATE_TEST_SUITE_P(
    Templates, HostedFromTemplate,
    testing::Values(TemplateCase{"classic", IDD_HOST_CLASSIC, {10, 20, 110, 70}, "PERSIST"},
                    TemplateCase{"extended_after_creation_key", IDD_HOST_EXTENDED, {1, 1, 171, 81}, "STATE!!"}),
    [](const testing::TestParamInfo<TemplateCase>& info) { return std::string(info.param.name); });

struct OrderCase {
    const char* name;
    DWORD miscStatus;
    std::vector<std::string> calls;
};

class ActivationOrder : public testing::TestWithParam<OrderCase> {};

TEST_P(ActivationOrder, FollowsTheControlsMiscStatus) {
    const OrderCase& c = GetParam();
    test_control::Options options;
    options.miscStatus = c.miscStatus;
    Registration registration(test_control::kClsid, options);
    ProbeDialog dialog(IDD_HOST_EXTENDED);
    std::vector<std::string> callsAtInit;
    dialog.onInit = [&](ProbeDialog& d) {
        if (!Controls().empty())
            callsAtInit = Controls()[0]->calls;
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(callsAtInit, c.calls);
}

INSTANTIATE_TEST_SUITE_P(
    MiscStatus, ActivationOrder,
    testing::Values(OrderCase{"client_site_first",
                              OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE,
                              {"GetMiscStatus", "SetClientSite", "Load", "SetExtent", "DoVerb", "Advise"}},
                    OrderCase{"state_first",
                              OLEMISC_ACTIVATEWHENVISIBLE,
                              {"GetMiscStatus", "Load", "SetClientSite", "SetExtent", "DoVerb", "Advise"}}),
    [](const testing::TestParamInfo<OrderCase>& info) { return std::string(info.param.name); });

TEST(Hosting, ControlsTakeTheirItemsPlaceIdAndStyle) {
    Registration registration;
    ProbeDialog dialog(IDD_HOST_CLASSIC);
    std::vector<int> childIds;
    bool secondEnabled = true;
    LONG firstStyle = 0;
    LONG secondStyle = 0;
    dialog.onInit = [&](ProbeDialog& d) {
        for (HWND child = GetWindow(d.m_hWnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            childIds.push_back(GetDlgCtrlID(child));
        if (Controls().size() == 2) {
            firstStyle = GetWindowLongW(Controls()[0]->window, GWL_STYLE);
            secondStyle = GetWindowLongW(Controls()[1]->window, GWL_STYLE);
            secondEnabled = IsWindowEnabled(Controls()[1]->window);
        }
        d.EndDialog(IDOK);
    };
    dialog.DoModal();

    ASSERT_EQ(Controls().size(), 2u);
    EXPECT_EQ(childIds, (std::vector<int>{IDC_TEXT, IDC_HOSTED, IDOK, IDC_HOSTED_SECOND}))
        << "template order is tab order";
    EXPECT_TRUE(firstStyle & WS_TABSTOP);
    EXPECT_FALSE(secondStyle & WS_TABSTOP);
    EXPECT_FALSE(secondEnabled);
    const std::vector<std::string>& second = Controls()[1]->calls;
    EXPECT_NE(std::find(second.begin(), second.end(), "InitNew"), second.end())
        << "a control without persisted state starts fresh";
    EXPECT_EQ(std::find(second.begin(), second.end(), "Load"), second.end());
}

class MoveThroughLookup : public testing::TestWithParam<bool> {};

TEST_P(MoveThroughLookup, MovingTheLookedUpControlSetsItsObjectRectangles) {
    const bool bound = GetParam();
    Registration registration;
    ProbeDialog dialog(IDD_HOST_EXTENDED);
    dialog.bindHosted = bound;
    CWnd* item = nullptr;
    bool itemHasSite = false;
    RECT moved{};
    dialog.onInit = [&](ProbeDialog& d) {
        item = d.GetDlgItem(IDC_HOSTED);
        if (item) {
            itemHasSite = item->GetControlSite() != nullptr;
            item->MoveWindow(5, 6, 70, 40);
            moved = ChildRect(item->m_hWnd);
        }
        d.EndDialog(IDOK);
    };
    dialog.DoModal();

    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item == &dialog.hosted, bound);
    EXPECT_TRUE(itemHasSite);
    ASSERT_FALSE(Controls().empty());
    ASSERT_FALSE(Controls()[0]->objectRects.empty());
    EXPECT_EQ(Controls()[0]->objectRects.back(), (RECT{5, 6, 75, 46}));
    EXPECT_EQ(moved, (RECT{5, 6, 75, 46}));
}

INSTANTIATE_TEST_SUITE_P(Wrappers, MoveThroughLookup, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "bound" : "unbound");
                         });

TEST(Hosting, EventsReachTheirHandlersByDispid) {
    Registration registration;
    ProbeDialog dialog(IDD_HOST_EXTENDED);
    std::vector<HRESULT> fired;
    dialog.onInit = [](ProbeDialog& d) { d.Probe(); };
    dialog.onProbe = [&](ProbeDialog& d) {
        Record& control = *Controls()[0];
        fired.push_back(test_control::FireFSCommand(control, L"play", L"now"));
        fired.push_back(test_control::FireEvent(control, framework_test::kNumberEvent, {Long(42), Bool(true)}));
        fired.push_back(test_control::FireEvent(control, 999, {}));            // no entry
        fired.push_back(test_control::FireEvent(control, 150, {Text(L"x")}));  // one text short
        fired.push_back(
            test_control::FireEvent(control, framework_test::kNumberEvent, {Text(L"not a number"), Bool(false)}));
        d.EndDialog(IDOK);
    };
    ASSERT_EQ(dialog.DoModal(), IDOK);

    EXPECT_EQ(fired, std::vector<HRESULT>(5, S_OK)) << "the sink takes every event";
    EXPECT_EQ(dialog.fsCommands, (std::vector<std::pair<std::wstring, std::wstring>>{{L"play", L"now"}}));
    EXPECT_EQ(dialog.numberEvents, (std::vector<std::pair<long, bool>>{{42, true}}));
}

TEST(Hosting, DerivedSinkMapAddsToTheInheritedOne) {
    Registration registration;
    DerivedProbeDialog dialog(IDD_HOST_EXTENDED);
    dialog.onInit = [](ProbeDialog& d) { d.Probe(); };
    dialog.onProbe = [&](ProbeDialog& d) {
        test_control::FireFSCommand(*Controls()[0], L"inherited", L"");
        test_control::FireEvent(*Controls()[0], framework_test::kNothingEvent, {});
        d.EndDialog(IDOK);
    };
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.fsCommands.size(), 1u);
    EXPECT_EQ(dialog.nothingEvents, 1);
}

TEST(Hosting, InvokeHelperPutsAndGetsThroughTheBoundWrapperOnly) {
    Registration registration;
    ProbeDialog dialog(IDD_HOST_EXTENDED);
    HRESULT put = E_FAIL;
    HRESULT get = E_FAIL;
    HRESULT unbound = S_OK;
    std::wstring got;
    dialog.onInit = [&](ProbeDialog& d) {
        static const BYTE params[] = VTS_BSTR;
        put = d.hosted.InvokeHelper(102, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, params, L"C:\\m\\a.swf");
        get = d.hosted.InvokeHelper(102, DISPATCH_PROPERTYGET, VT_BSTR, &got, nullptr);
        CWnd loose;
        unbound = loose.InvokeHelper(102, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, params, L"ignored");
        d.EndDialog(IDOK);
    };
    dialog.DoModal();

    EXPECT_EQ(put, S_OK);
    EXPECT_EQ(get, S_OK);
    EXPECT_EQ(got, L"C:\\m\\a.swf");
    EXPECT_EQ(unbound, OLE_E_NOTRUNNING);
    ASSERT_FALSE(Controls().empty());
    EXPECT_EQ(Controls()[0]->movie, L"C:\\m\\a.swf");
    EXPECT_EQ(Controls()[0]->moviePuts, 1);
}

TEST(Hosting, TearDownRunsInReverseWhenTheDialogCloses) {
    Registration registration;
    ProbeDialog dialog(IDD_HOST_CLASSIC);
    dialog.onInit = [](ProbeDialog& d) { d.PostMessage(WM_CLOSE); };
    ASSERT_EQ(dialog.DoModal(), IDCANCEL);

    ASSERT_EQ(Controls().size(), 2u);
    const std::vector<std::string> tail = {"Unadvise", "InPlaceDeactivate", "Close", "SetClientSite(null)",
                                           "Release(final)"};
    for (const auto& control : Controls()) {
        ASSERT_GE(control->calls.size(), tail.size());
        EXPECT_EQ(std::vector<std::string>(control->calls.end() - tail.size(), control->calls.end()), tail);
        EXPECT_FALSE(IsWindow(control->window));
    }
    EXPECT_LT(Controls()[1]->finalReleaseOrder, Controls()[0]->finalReleaseOrder)
        << "the last control created goes first";
    EXPECT_EQ(dialog.hosted.m_hWnd, nullptr);
    EXPECT_EQ(dialog.hosted.GetControlSite(), nullptr);
}

TEST(Hosting, DamagedInitListGivesFreshStateAndEndsTheDialog) {
    Registration registration;
    ProbeDialog dialog(IDD_BAD_INIT);
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_FALSE(dialog.baseInitResult);
    ASSERT_EQ(Controls().size(), 1u);
    const std::vector<std::string>& calls = Controls()[0]->calls;
    EXPECT_NE(std::find(calls.begin(), calls.end(), "InitNew"), calls.end());
    EXPECT_EQ(std::find(calls.begin(), calls.end(), "Load"), calls.end());
}

TEST(Hosting, UnavailableControlIsLeftOut) {
    test_control::Options refusing;
    refusing.failCreate = true;
    Registration registration(test_control::kClsid, refusing);
    ProbeDialog dialog(IDD_HOST_CLASSIC);
    CWnd* item = reinterpret_cast<CWnd*>(1);
    HWND okButton = nullptr;
    dialog.onInit = [&](ProbeDialog& d) {
        item = d.GetDlgItem(IDC_HOSTED);
        okButton = GetDlgItem(d.m_hWnd, IDOK);
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(item, nullptr);
    EXPECT_NE(okButton, nullptr) << "the ordinary controls are there";
    EXPECT_EQ(dialog.hosted.m_hWnd, nullptr);
    EXPECT_EQ(dialog.hosted.GetControlSite(), nullptr);
}

// The program identifier, registered for the length of a test.
class ProgIdRegistration {
public:
    ProgIdRegistration() {
        const std::wstring key = std::wstring(TEST_PROGID_W) + L"\\CLSID";
        m_ok = RegSetValueW(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, test_control::kClsidText, 0) == ERROR_SUCCESS;
    }
    ~ProgIdRegistration() { RegDeleteTreeW(HKEY_CLASSES_ROOT, TEST_PROGID_W); }
    bool ok() const { return m_ok; }

private:
    bool m_ok = false;
};

TEST(Hosting, ControlNamedByProgramIdentifierIsCreated) {
    ProgIdRegistration progId;
    ASSERT_TRUE(progId.ok());
    Registration registration;
    ProbeDialog dialog(IDD_BY_PROGID);
    CWnd* item = nullptr;
    dialog.onInit = [&](ProbeDialog& d) {
        item = d.GetDlgItem(IDC_HOSTED);
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(Controls().size(), 1u);
    EXPECT_EQ(item, &dialog.hosted);
}

TEST(Hosting, CreateControlMakesAWrapperThatDestroysItsControl) {
    Registration registration;
    CWnd created;
    ProbeDialog dialog(IDD_PLAIN);
    BOOL made = FALSE;
    CWnd* lookedUp = nullptr;
    CWnd* afterDestroy = reinterpret_cast<CWnd*>(1);
    RECT rect{};
    dialog.onInit = [&](ProbeDialog& d) {
        made = created.CreateControl(test_control::kClsid, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, RECT{8, 8, 108, 58},
                                     &d, 1500);
        lookedUp = d.GetDlgItem(1500);
        if (created.m_hWnd)
            rect = ChildRect(created.m_hWnd);
        created.DestroyWindow();
        afterDestroy = d.GetDlgItem(1500);
        d.EndDialog(IDOK);
    };
    dialog.DoModal();

    EXPECT_TRUE(made);
    EXPECT_EQ(lookedUp, &created);
    EXPECT_EQ(rect, (RECT{8, 8, 108, 58}));
    EXPECT_EQ(afterDestroy, nullptr);
    EXPECT_EQ(created.m_hWnd, nullptr);
    ASSERT_EQ(Controls().size(), 1u);
    EXPECT_EQ(Controls()[0]->calls, (std::vector<std::string>{"GetMiscStatus", "SetClientSite", "InitNew", "SetExtent",
                                                              "DoVerb", "Advise", "Unadvise", "InPlaceDeactivate",
                                                              "Close", "SetClientSite(null)", "Release(final)"}));
}

TEST(Hosting, OrdinaryChildLookupGivesOneWrapperPerWindow) {
    ProbeDialog dialog(IDD_PLAIN);
    CWnd* first = nullptr;
    CWnd* second = nullptr;
    CWnd* missing = reinterpret_cast<CWnd*>(1);
    HWND button = nullptr;
    dialog.onInit = [&](ProbeDialog& d) {
        first = d.GetDlgItem(IDOK);
        second = d.GetDlgItem(IDOK);
        missing = d.GetDlgItem(4242);
        button = GetDlgItem(d.m_hWnd, IDOK);
        d.EndDialog(IDOK);
    };
    dialog.DoModal();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first->m_hWnd, button);
    EXPECT_EQ(missing, nullptr);
}

}  // namespace
