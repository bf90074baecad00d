// The persisted property stream through the control's IPersistStreamInit, with the exact stream
// the player template carries. (The reader and writer on their own: tests/native.)
#include "TestContainer.h"
#include "TestMovies.h"

#include "control/ControlState.h"
#include "control/MovieControlIds.h"
#include "platform/OleScopes.h"

#include <gtest/gtest.h>

using controltest::PlayerPropertyStream;

namespace {

// --- Through the control ------------------------------------------------------------------------

struct ControlObjects {
    ComRef<IPersistStreamInit> persist;
    ComRef<IOleObject> object;
    ComRef<IDispatch> dispatch;
};

ControlObjects NewControl() {
    ControlObjects objects;
    ComRef<IClassFactory> factory = controltest::ControlFactory();
    if (!factory)
        return objects;
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
