// The persisted property stream: the reader and writer on their own, and the control's
// IPersistStreamInit with the exact stream the player template carries.
#include "TestContainer.h"
#include "TestMovies.h"

#include "control/ControlState.h"
#include "control/MovieControlIds.h"
#include "platform/OleScopes.h"

#include <gtest/gtest.h>

using controltest::PlayerPropertyStream;

namespace {

std::optional<control::ControlState> Read(const std::vector<uint8_t>& bytes, std::string* problem = nullptr) {
    control::MemoryInput input(bytes.data(), bytes.size());
    return control::ReadControlState(input, problem);
}

void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(value >> (8 * i));
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

// --- Through the control ------------------------------------------------------------------------

struct ControlObjects {
    ComRef<IPersistStreamInit> persist;
    ComRef<IOleObject> object;
    ComRef<IDispatch> dispatch;
};

ControlObjects NewControl() {
    ControlObjects objects;
    ComRef<IClassFactory> factory = controltest::ControlFactory();
    if (!factory) return objects;
    factory->CreateInstance(nullptr, IID_IPersistStreamInit, objects.persist.put_void());
    objects.object = objects.persist.As<IOleObject>(IID_IOleObject);
    objects.dispatch = objects.persist.As<IDispatch>(IID_IDispatch);
    return objects;
}

std::wstring Text(IDispatch* dispatch, DISPID id) {
    ScopedVariant result;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    if (FAILED(dispatch->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, result.get(), nullptr, nullptr)) ||
        result->vt != VT_BSTR) {
        return L"<none>";
    }
    return result->bstrVal ? result->bstrVal : L"";
}

TEST(PersistStream, LoadTakesTheSettingsExtentAndExactlyTheStreamsBytes) {
    ControlObjects control = NewControl();
    ASSERT_TRUE(control.persist && control.object && control.dispatch);
    std::vector<uint8_t> bytes = PlayerPropertyStream();
    bytes.insert(bytes.end(), {0xAA, 0xBB, 0xCC});  // what follows in the stream is not ours
    ComRef<IStream> stream = controltest::StreamOver(bytes);

    ASSERT_EQ(control.persist->Load(stream.get()), S_OK);
    ULARGE_INTEGER position{};
    const LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_CUR, &position);
    EXPECT_EQ(position.QuadPart, 170u);

    EXPECT_EQ(Text(control.dispatch.get(), DISPID_MOVIE_WMODE), L"Window");
    EXPECT_EQ(Text(control.dispatch.get(), DISPID_MOVIE_QUALITY), L"High");
    EXPECT_EQ(Text(control.dispatch.get(), DISPID_MOVIE_SCRIPTACCESS), L"always");
    EXPECT_EQ(Text(control.dispatch.get(), DISPID_MOVIE_SCALE), L"ShowAll");
    SIZEL extent{};
    ASSERT_EQ(control.object->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    EXPECT_EQ(extent.cx, 17939);
    EXPECT_EQ(extent.cy, 13123);
}

TEST(PersistStream, SaveWritesTheLoadedStreamByteForByte) {
    ControlObjects control = NewControl();
    ASSERT_TRUE(control.persist);
    ComRef<IStream> in = controltest::StreamOver(PlayerPropertyStream());
    ASSERT_EQ(control.persist->Load(in.get()), S_OK);

    ULARGE_INTEGER size{};
    ASSERT_EQ(control.persist->GetSizeMax(&size), S_OK);
    EXPECT_EQ(size.QuadPart, 170u);
    ComRef<IStream> out = controltest::StreamOver({});
    ASSERT_EQ(control.persist->Save(out.get(), TRUE), S_OK);
    EXPECT_EQ(controltest::StreamBytes(out.get()), PlayerPropertyStream());
}

TEST(PersistStream, InitNewGivesTheDefaults) {
    ControlObjects control = NewControl();
    ASSERT_TRUE(control.persist);
    ASSERT_EQ(control.persist->InitNew(), S_OK);
    EXPECT_EQ(Text(control.dispatch.get(), DISPID_MOVIE_WMODE), L"Window");
    EXPECT_EQ(Text(control.dispatch.get(), DISPID_MOVIE_QUALITY), L"High");
    EXPECT_EQ(Text(control.dispatch.get(), DISPID_MOVIE_SCRIPTACCESS), L"sameDomain");
    EXPECT_EQ(Text(control.dispatch.get(), DISPID_MOVIE_SCALE), L"ShowAll");
}

TEST(PersistStream, ForeignOrBrokenStreamFailsAndKeepsTheSettings) {
    const std::vector<uint8_t>& good = PlayerPropertyStream();
    std::vector<uint8_t> badSignature = good;
    badSignature[3] = 0x00;
    const std::vector<uint8_t> cases[] = {
        badSignature,
        std::vector<uint8_t>(good.begin(), good.begin() + 100),
        {},
        std::vector<uint8_t>(4096, 0xFF),
    };
    for (const std::vector<uint8_t>& bytes : cases) {
        ControlObjects control = NewControl();
        ASSERT_TRUE(control.persist);
        ASSERT_EQ(control.persist->InitNew(), S_OK);
        ComRef<IStream> stream = controltest::StreamOver(bytes);
        EXPECT_EQ(control.persist->Load(stream.get()), E_FAIL) << bytes.size();
        EXPECT_EQ(Text(control.dispatch.get(), DISPID_MOVIE_SCRIPTACCESS), L"sameDomain");
    }
}

TEST(PersistStream, ClassIdIsTheMovieControls) {
    ControlObjects control = NewControl();
    ASSERT_TRUE(control.persist);
    CLSID clsid{}, expected{};
    ASSERT_EQ(CLSIDFromString(MOVIE_CONTROL_CLSID_TEXT, &expected), S_OK);
    ASSERT_EQ(control.persist->GetClassID(&clsid), S_OK);
    EXPECT_TRUE(IsEqualGUID(clsid, expected));
    EXPECT_EQ(control.persist->IsDirty(), S_FALSE);
}

}  // namespace
