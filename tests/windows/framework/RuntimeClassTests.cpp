// Run-time class information and creation by class description.
#include "framework/Wnd.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class ProbeWindow : public CWnd {
    DECLARE_DYNCREATE(ProbeWindow)
};

IMPLEMENT_DYNCREATE(ProbeWindow, CWnd)

TEST(RuntimeClass, DescribesTheClassAndCreatesIt) {
    const CRuntimeClass* info = RUNTIME_CLASS(ProbeWindow);
    EXPECT_STREQ(info->m_lpszClassName, "ProbeWindow");
    EXPECT_EQ(info->m_wSchema, 0xFFFFu);
    EXPECT_EQ(info->m_nObjectSize, static_cast<int>(sizeof(ProbeWindow)));
    EXPECT_EQ(info->m_pBaseClass, RUNTIME_CLASS(CWnd));
    EXPECT_TRUE(info->IsDerivedFrom(RUNTIME_CLASS(CWnd)));
    EXPECT_FALSE(RUNTIME_CLASS(CWnd)->IsDerivedFrom(info));

    std::unique_ptr<CWnd> made = info->CreateObject();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetRuntimeClass(), info);
    EXPECT_NE(dynamic_cast<ProbeWindow*>(made.get()), nullptr);
}

}  // namespace
