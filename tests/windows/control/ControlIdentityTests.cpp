// The control's identities: the GUID values and their texts agree.
#include "control/ControlGuids.h"
#include "control/MovieControlIds.h"

#include <gtest/gtest.h>

#include <objbase.h>

namespace {

TEST(Identities, GuidValuesMatchTheirTexts) {
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromString(MOVIE_CONTROL_CLSID_TEXT, &clsid), S_OK);
    EXPECT_TRUE(IsEqualGUID(clsid, kMovieControlClsid));
    IID events{};
    ASSERT_EQ(IIDFromString(MOVIE_CONTROL_EVENTS_IID_TEXT, &events), S_OK);
    EXPECT_TRUE(IsEqualGUID(events, kMovieControlEventsIid));
}

}  // namespace
