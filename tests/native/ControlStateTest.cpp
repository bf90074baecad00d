// The control's persisted property stream: the reader and writer on their own, with the exact
// stream the player template carries.
#include "ControlSamples.h"

#include "control/ControlState.h"

#include <gtest/gtest.h>

#include <functional>

using controltest::PlayerPropertyStream;

namespace {

std::optional<control::ControlState> Read(const std::vector<uint8_t>& bytes, std::string* problem = nullptr) {
    control::MemoryInput input(bytes.data(), bytes.size());
    return control::ReadControlState(input, problem);
}

void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = uint8_t(value >> (8 * i));
}

TEST(PropertyStream, PlayerStreamIs170BytesWithItsSettings) {
    const std::vector<uint8_t>& bytes = PlayerPropertyStream();
    ASSERT_EQ(bytes.size(), 170u);
    control::MemoryInput input(bytes.data(), bytes.size());
    const auto state = control::ReadControlState(input);
    ASSERT_TRUE(state);
    EXPECT_EQ(input.Consumed(), 170u);
    EXPECT_EQ(state->header, 0x300u);
    EXPECT_EQ(state->extentWidth, 17939);
    EXPECT_EQ(state->extentHeight, 13123);
    EXPECT_EQ(state->WindowMode(), u"Window");
    EXPECT_EQ(state->Quality(), u"High");
    EXPECT_EQ(state->ScriptAccess(), u"always");
    EXPECT_EQ(state->Scale(), u"ShowAll");

    const char types[] = "ttttffttftttfftt";  // t: text, f: flag
    for (size_t i = 0; i < control::kPersistedValueCount; ++i) {
        EXPECT_EQ(state->values[i].type, types[i] == 't' ? control::kValueText : control::kValueFlag) << i;
    }
    EXPECT_TRUE(state->values[4].flag);
    EXPECT_TRUE(state->values[5].flag);
    EXPECT_TRUE(state->values[8].flag);
    EXPECT_FALSE(state->values[12].flag);
    EXPECT_FALSE(state->values[13].flag);
}

// Play, Loop and the alignment as the player's stream gives them, changed and written back.
TEST(PropertyStream, PlayLoopAndAlignmentAreReadChangedAndWritten) {
    auto state = Read(PlayerPropertyStream());
    ASSERT_TRUE(state);
    EXPECT_TRUE(state->PlayOnStart());
    EXPECT_TRUE(state->Loop());
    EXPECT_EQ(state->Alignment(), u"");
    state->SetFlag(control::kLoopSlot, false);
    state->SetText(control::kAlignSlot, u"TL");
    const auto back = Read(control::WriteControlState(*state));
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->Loop());
    EXPECT_TRUE(back->PlayOnStart());
    EXPECT_EQ(back->Alignment(), u"TL");
    // A slot holding a text answers the default for a flag, and the other way round.
    EXPECT_TRUE(back->FlagAt(control::kQualitySlot, true));
    EXPECT_EQ(back->TextAt(control::kPlaySlot), u"");
}

TEST(PropertyStream, WriterGivesBackTheSameBytes) {
    const auto state = Read(PlayerPropertyStream());
    ASSERT_TRUE(state);
    EXPECT_EQ(control::WriteControlState(*state), PlayerPropertyStream());
    const control::ControlState defaults = control::DefaultControlState();
    EXPECT_EQ(Read(control::WriteControlState(defaults))->values, defaults.values);
}

TEST(PropertyStream, EveryTruncationIsRefused) {
    const std::vector<uint8_t>& bytes = PlayerPropertyStream();
    for (size_t length = 0; length < bytes.size(); ++length) {
        std::string problem;
        EXPECT_FALSE(Read(std::vector<uint8_t>(bytes.begin(), bytes.begin() + length), &problem)) << length;
        EXPECT_FALSE(problem.empty()) << length;
    }
}

TEST(PropertyStream, BrokenFieldsAreRefused) {
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> damage;
    };
    // The first value's type stands at offset 16, its byte count at 18.
    const Case cases[] = {
        {"signature", [](auto& b) { b[0] ^= 0x01; }},
        {"value type 3", [](auto& b) { b[16] = 3; }},
        {"odd text length", [](auto& b) { PutU32(b, 18, 3); }},
        {"zero text length", [](auto& b) { PutU32(b, 18, 0); }},
        {"huge text length", [](auto& b) { PutU32(b, 18, 0xFFFFFFFE); }},
        {"text past the end", [](auto& b) { PutU32(b, 18, 1000); }},
        {"text without NUL", [](auto& b) { b[22] = 'x'; }},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = PlayerPropertyStream();
        c.damage(bytes);
        EXPECT_FALSE(Read(bytes)) << c.name;
    }
}

}  // namespace
