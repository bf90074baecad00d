// The control's COM surface without a host window: interfaces, dispatch names and calls,
// connection points, class information, the class factory.
#include "TestContainer.h"

#include "control/ControlGuids.h"
#include "control/MovieControlIds.h"
#include "platform/OleScopes.h"

#include <gtest/gtest.h>

#include <olectl.h>

namespace {

ComRef<IUnknown> NewControl() {
    ComRef<IUnknown> control;
    if (ComRef<IClassFactory> factory = controltest::ControlFactory()) {
        factory->CreateInstance(nullptr, IID_IUnknown, control.put_void());
    }
    return control;
}

TEST(ControlObject, AnswersItsInterfacesWithOneIdentity) {
    ComRef<IUnknown> control = NewControl();
    ASSERT_TRUE(control);
    const IID interfaces[] = {IID_IDispatch,
                              IID_IOleObject,
                              IID_IOleWindow,
                              IID_IOleInPlaceObject,
                              IID_IOleInPlaceActiveObject,
                              IID_IOleControl,
                              IID_IPersist,
                              IID_IPersistStreamInit,
                              IID_IConnectionPointContainer,
                              IID_IProvideClassInfo,
                              IID_IProvideClassInfo2};
    for (const IID& iid : interfaces) {
        ComRef<IUnknown> part;
        ASSERT_EQ(control->QueryInterface(iid, part.put_void()), S_OK);
        ComRef<IUnknown> identity = part.As<IUnknown>(IID_IUnknown);
        EXPECT_EQ(identity.get(), control.get());
    }
    ComRef<IUnknown> none;
    EXPECT_EQ(control->QueryInterface(IID_IViewObject, none.put_void()), E_NOINTERFACE);
    EXPECT_FALSE(none);
}

TEST(ControlObject, MiscStatusAsksForTheSiteFirstAndActivatesWhenVisible) {
    ComRef<IOleObject> object = NewControl().As<IOleObject>(IID_IOleObject);
    ASSERT_TRUE(object);
    DWORD status = 0;
    ASSERT_EQ(object->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
    EXPECT_TRUE(status & OLEMISC_SETCLIENTSITEFIRST);
    EXPECT_TRUE(status & OLEMISC_ACTIVATEWHENVISIBLE);
    EXPECT_TRUE(status & OLEMISC_INSIDEOUT);
    EXPECT_FALSE(status & OLEMISC_INVISIBLEATRUNTIME);
}

TEST(ControlObject, ActivationWithoutASiteFailsCleanly) {
    ComRef<IOleObject> object = NewControl().As<IOleObject>(IID_IOleObject);
    ASSERT_TRUE(object);
    RECT position{0, 0, 10, 10};
    EXPECT_EQ(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, nullptr, &position), E_UNEXPECTED);
    HWND window = reinterpret_cast<HWND>(1);
    EXPECT_EQ(object.As<IOleInPlaceObject>(IID_IOleInPlaceObject)->GetWindow(&window), E_FAIL);
    EXPECT_EQ(window, nullptr);
}

// --- IDispatch ----------------------------------------------------------------------------------

TEST(Dispatch, NamesMapToTheirIdsInAnyCase) {
    ComRef<IDispatch> dispatch = NewControl().As<IDispatch>(IID_IDispatch);
    ASSERT_TRUE(dispatch);
    const std::pair<const wchar_t*, DISPID> cases[] = {
        {L"Movie", DISPID_MOVIE_MOVIE},
        {L"movie", DISPID_MOVIE_MOVIE},
        {L"MOVIE", DISPID_MOVIE_MOVIE},
        {L"FrameNum", DISPID_MOVIE_FRAMENUM},
        {L"TotalFrames", DISPID_MOVIE_TOTALFRAMES},
        {L"Quality", DISPID_MOVIE_QUALITY},
        {L"Scale", DISPID_MOVIE_SCALE},
        {L"WMode", DISPID_MOVIE_WMODE},
        {L"AllowScriptAccess", DISPID_MOVIE_SCRIPTACCESS},
        {L"Loop", DISPID_MOVIE_LOOP},
        {L"ScaleMode", DISPID_MOVIE_SCALEMODE},
        {L"AlignMode", DISPID_MOVIE_ALIGNMODE},
        {L"salign", DISPID_MOVIE_SALIGN},
        {L"Playing", DISPID_MOVIE_PLAYING},
        {L"Play", DISPID_MOVIE_PLAY},
        {L"STOP", DISPID_MOVIE_STOP},
        {L"Back", DISPID_MOVIE_BACK},
        {L"Forward", DISPID_MOVIE_FORWARD},
        {L"Rewind", DISPID_MOVIE_REWIND},
        {L"StopPlay", DISPID_MOVIE_STOPPLAY},
        {L"GotoFrame", DISPID_MOVIE_GOTOFRAME},
        {L"CurrentFrame", DISPID_MOVIE_CURRENTFRAME},
        {L"IsPlaying", DISPID_MOVIE_ISPLAYING},
        {L"FlashVersion", DISPID_MOVIE_FLASHVERSION},
    };
    for (const auto& [name, id] : cases) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID found = 0;
        EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &found), S_OK);
        EXPECT_EQ(found, id);
    }
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"Plays"), const_cast<LPOLESTR>(L"Movies")};
    for (LPOLESTR name : unknown) {
        DISPID found = 0;
        EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &found), DISP_E_UNKNOWNNAME);
        EXPECT_EQ(found, DISPID_UNKNOWN);
    }
    UINT count = 7;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
}

HRESULT Call(IDispatch* dispatch, DISPID id, WORD flags, std::vector<VARIANTARG> arguments, bool namedPut,
             VARIANT* result = nullptr, REFIID iid = IID_NULL) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{arguments.empty() ? nullptr : arguments.data(), namedPut ? &named : nullptr,
                      UINT(arguments.size()), namedPut ? 1u : 0u};
    return dispatch->Invoke(id, iid, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
}

VARIANTARG TextArgument(BSTR text) {
    VARIANTARG argument;
    VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = text;
    return argument;
}

TEST(Dispatch, MoviePutIsReadBackWithOrWithoutTheNamedArgument) {
    ComRef<IDispatch> dispatch = NewControl().As<IDispatch>(IID_IDispatch);
    ASSERT_TRUE(dispatch);
    for (bool named : {true, false}) {
        const std::wstring path = named ? L"C:\\nowhere\\named.swf" : L"C:\\nowhere\\plain.swf";
        UniqueBstr text(SysAllocString(path.c_str()));
        ASSERT_EQ(Call(dispatch.get(), DISPID_MOVIE_MOVIE, DISPATCH_PROPERTYPUT, {TextArgument(text.get())}, named),
                  S_OK);
        ScopedVariant result;
        ASSERT_EQ(Call(dispatch.get(), DISPID_MOVIE_MOVIE, DISPATCH_PROPERTYGET, {}, false, result.get()), S_OK);
        ASSERT_EQ(result->vt, VT_BSTR);
        EXPECT_EQ(std::wstring(result->bstrVal), path);
    }
}

TEST(Dispatch, MoviePutTakesAnyTextConvertibleArgumentByReferenceToo) {
    ComRef<IDispatch> dispatch = NewControl().As<IDispatch>(IID_IDispatch);
    ASSERT_TRUE(dispatch);
    UniqueBstr text(SysAllocString(L"C:\\by\\reference.swf"));
    BSTR referenced = text.get();
    VARIANTARG argument;
    VariantInit(&argument);
    argument.vt = VT_BSTR | VT_BYREF;
    argument.pbstrVal = &referenced;
    ASSERT_EQ(Call(dispatch.get(), DISPID_MOVIE_MOVIE, DISPATCH_PROPERTYPUT, {argument}, true), S_OK);
    ScopedVariant result;
    ASSERT_EQ(Call(dispatch.get(), DISPID_MOVIE_MOVIE, DISPATCH_PROPERTYGET, {}, false, result.get()), S_OK);
    EXPECT_EQ(std::wstring(result->bstrVal), L"C:\\by\\reference.swf");
}

TEST(Dispatch, WrongCallsGetTheDocumentedErrors) {
    ComRef<IDispatch> dispatch = NewControl().As<IDispatch>(IID_IDispatch);
    ASSERT_TRUE(dispatch);
    UniqueBstr text(SysAllocString(L"x.swf"));
    VARIANTARG number;
    VariantInit(&number);
    number.vt = VT_I4;
    number.lVal = 5;
    VARIANTARG object;
    VariantInit(&object);
    object.vt = VT_UNKNOWN;
    object.punkVal = nullptr;
    ScopedVariant result;

    struct Case {
        const char* name;
        DISPID id;
        WORD flags;
        std::vector<VARIANTARG> arguments;
        HRESULT expected;
    };
    const Case cases[] = {
        {"movie put without argument", DISPID_MOVIE_MOVIE, DISPATCH_PROPERTYPUT, {}, DISP_E_BADPARAMCOUNT},
        {"movie put with two",
         DISPID_MOVIE_MOVIE,
         DISPATCH_PROPERTYPUT,
         {TextArgument(text.get()), number},
         DISP_E_BADPARAMCOUNT},
        {"movie put of an object", DISPID_MOVIE_MOVIE, DISPATCH_PROPERTYPUT, {object}, DISP_E_TYPEMISMATCH},
        {"movie as a method", DISPID_MOVIE_MOVIE, DISPATCH_METHOD, {}, DISP_E_MEMBERNOTFOUND},
        {"put of read-only TotalFrames",
         DISPID_MOVIE_TOTALFRAMES,
         DISPATCH_PROPERTYPUT,
         {number},
         DISP_E_MEMBERNOTFOUND},
        {"put of read-only WMode",
         DISPID_MOVIE_WMODE,
         DISPATCH_PROPERTYPUT,
         {TextArgument(text.get())},
         DISP_E_MEMBERNOTFOUND},
        {"put of Scale as an object", DISPID_MOVIE_SCALE, DISPATCH_PROPERTYPUT, {object}, DISP_E_TYPEMISMATCH},
        {"ScaleMode out of range", DISPID_MOVIE_SCALEMODE, DISPATCH_PROPERTYPUT, {number}, E_INVALIDARG},
        {"Play with an argument", DISPID_MOVIE_PLAY, DISPATCH_METHOD, {number}, DISP_E_BADPARAMCOUNT},
        {"Play as a property", DISPID_MOVIE_PLAY, DISPATCH_PROPERTYGET, {}, DISP_E_MEMBERNOTFOUND},
        {"GotoFrame without a frame", DISPID_MOVIE_GOTOFRAME, DISPATCH_METHOD, {}, DISP_E_BADPARAMCOUNT},
        {"GotoFrame of an object", DISPID_MOVIE_GOTOFRAME, DISPATCH_METHOD, {object}, DISP_E_TYPEMISMATCH},
        {"get with an argument", DISPID_MOVIE_TOTALFRAMES, DISPATCH_PROPERTYGET, {number}, DISP_E_BADPARAMCOUNT},
        {"unknown id get", 103, DISPATCH_PROPERTYGET, {}, DISP_E_MEMBERNOTFOUND},
        {"event id on the control", DISPID_MOVIE_FSCOMMAND, DISPATCH_METHOD, {}, DISP_E_MEMBERNOTFOUND},
        {"unknown id put", 0x6B, DISPATCH_PROPERTYPUT, {number}, DISP_E_MEMBERNOTFOUND},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Call(dispatch.get(), c.id, c.flags, c.arguments, c.flags == DISPATCH_PROPERTYPUT, result.get()),
                  c.expected)
            << c.name;
    }
    EXPECT_EQ(Call(dispatch.get(), DISPID_MOVIE_MOVIE, DISPATCH_PROPERTYGET, {}, false, result.get(), IID_IDispatch),
              DISP_E_UNKNOWNINTERFACE);
}

TEST(Dispatch, NoMovieMeansNoFrames) {
    ComRef<IDispatch> dispatch = NewControl().As<IDispatch>(IID_IDispatch);
    ASSERT_TRUE(dispatch);
    for (DISPID id : {DISPID_MOVIE_FRAMENUM, DISPID_MOVIE_TOTALFRAMES, DISPID_MOVIE_CURRENTFRAME}) {
        ScopedVariant result;
        ASSERT_EQ(Call(dispatch.get(), id, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}, false, result.get()), S_OK);
        ASSERT_EQ(result->vt, VT_I4);
        EXPECT_EQ(result->lVal, 0);
    }
}

// --- Events and class information ---------------------------------------------------------------

class NotASink final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = iid == IID_IUnknown ? this : nullptr;
        if (*object)
            AddRef();
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

TEST(Events, ClassInfoNamesTheEventInterfaceAndBothIidsFindOnePoint) {
    ComRef<IUnknown> control = NewControl();
    ComRef<IProvideClassInfo2> info = control.As<IProvideClassInfo2>(IID_IProvideClassInfo2);
    ComRef<IConnectionPointContainer> container = control.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    ASSERT_TRUE(info && container);

    GUID events{};
    ASSERT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), S_OK);
    EXPECT_TRUE(IsEqualGUID(events, kMovieControlEventsIid));
    GUID other{};
    EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID + 1, &other), E_INVALIDARG);
    ComRef<ITypeInfo> typeInfo;
    EXPECT_EQ(info->GetClassInfo(typeInfo.put()), E_NOTIMPL);

    ComRef<IConnectionPoint> byEvents, byDispatch, byOther;
    ASSERT_EQ(container->FindConnectionPoint(events, byEvents.put()), S_OK);
    ASSERT_EQ(container->FindConnectionPoint(IID_IDispatch, byDispatch.put()), S_OK);
    EXPECT_EQ(byEvents.get(), byDispatch.get());
    EXPECT_EQ(container->FindConnectionPoint(IID_IOleObject, byOther.put()), CONNECT_E_NOCONNECTION);
    EXPECT_FALSE(byOther);

    IID connectionIid{};
    ASSERT_EQ(byEvents->GetConnectionInterface(&connectionIid), S_OK);
    EXPECT_TRUE(IsEqualGUID(connectionIid, kMovieControlEventsIid));
    ComRef<IConnectionPointContainer> back;
    ASSERT_EQ(byEvents->GetConnectionPointContainer(back.put()), S_OK);
    EXPECT_EQ(back.get(), container.get());

    ComRef<IEnumConnectionPoints> all;
    ASSERT_EQ(container->EnumConnectionPoints(all.put()), S_OK);
    IConnectionPoint* points[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(all->Next(2, points, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(points[0], byEvents.get());
    points[0]->Release();
    EXPECT_EQ(all->Next(1, points, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
}

TEST(Events, AdviseNeedsADispatchSinkAndUnadviseAKnownCookie) {
    ComRef<IConnectionPointContainer> container =
        NewControl().As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    ASSERT_TRUE(container);
    ComRef<IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(kMovieControlEventsIid, point.put()), S_OK);
    NotASink notASink;
    DWORD cookie = 99;
    EXPECT_EQ(point->Advise(&notASink, &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(cookie, 0u);
    EXPECT_EQ(point->Advise(nullptr, &cookie), E_POINTER);
    EXPECT_EQ(point->Unadvise(12345), CONNECT_E_NOCONNECTION);
    ComRef<IEnumConnections> connections;
    EXPECT_EQ(point->EnumConnections(connections.put()), E_NOTIMPL);
}

// --- Class factory ------------------------------------------------------------------------------

TEST(ClassFactory, RefusesOtherClassesAndAggregation) {
    using GetClassObject = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
    auto entry = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(GetProcAddress(controltest::ControlModule(), "DllGetClassObject")));
    ASSERT_NE(entry, nullptr);
    ComRef<IClassFactory> factory;
    EXPECT_EQ(entry(IID_IDispatch, IID_IClassFactory, factory.put_void()), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_FALSE(factory);

    factory = controltest::ControlFactory();
    ASSERT_TRUE(factory);
    NotASink outer;
    ComRef<IUnknown> aggregated;
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IUnknown, aggregated.put_void()), CLASS_E_NOAGGREGATION);
    EXPECT_FALSE(aggregated);
}

TEST(ClassFactory, ModuleCanUnloadOnlyWhenNothingIsAlive) {
    using CanUnloadNow = HRESULT(__stdcall*)();
    auto canUnload = reinterpret_cast<CanUnloadNow>(
        reinterpret_cast<void*>(GetProcAddress(controltest::ControlModule(), "DllCanUnloadNow")));
    ASSERT_NE(canUnload, nullptr);
    EXPECT_EQ(canUnload(), S_OK);
    {
        ComRef<IUnknown> control = NewControl();
        ASSERT_TRUE(control);
        EXPECT_EQ(canUnload(), S_FALSE);
    }
    EXPECT_EQ(canUnload(), S_OK);
    ComRef<IClassFactory> factory = controltest::ControlFactory();
    ASSERT_TRUE(factory);
    EXPECT_EQ(canUnload(), S_FALSE);  // a held class object keeps the module
    factory.reset();
    EXPECT_EQ(canUnload(), S_OK);
}

}  // namespace
