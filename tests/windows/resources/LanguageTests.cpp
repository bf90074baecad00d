// Every resource of the player is in English (United States) and in no other language.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "ResourceModule.h"

namespace {

struct ResourceCase {
    const char* name;
    int type, id;
};

constexpr ResourceCase kResources[] = {
    {"AboutTemplate", 5, 100},
    {"PlayerTemplate", 5, 102},
    {"StatusTemplate", 5, 130},
    {"PlayerInitData", 240, 102},
    {"Strings96To111", 6, 7},
    {"IconGroup", 14, 128},
    {"Icon1", 3, 1},
    {"Icon2", 3, 2},
    {"Icon3", 3, 3},
    {"Icon4", 3, 4},
    {"Version", 16, 1},
};

void PrintTo(const ResourceCase& c, std::ostream* out) {
    *out << "type " << c.type << " id " << c.id;
}

class ResourceLanguageTest : public testing::TestWithParam<ResourceCase> {};

TEST_P(ResourceLanguageTest, IsOnlyInUsEnglish) {
    EXPECT_EQ(ResourceLanguages(GetParam().type, GetParam().id),
              std::vector<LANGID>{MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)});
}

INSTANTIATE_TEST_SUITE_P(Resources, ResourceLanguageTest, testing::ValuesIn(kResources),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
