#include "ControlTestSupport.h"

#include <com/DispatchHelpers.h>
#include <com/ErrorInfo.h>
#include <com/MemoryStorage.h>
#include <com/PropertyPage.h>
#include <com/TypeLib.h>
#include <gdi/GdiObjects.h>

#include <QImage>
#include <QPainter>

#include <cstdio>
#include <sys/resource.h>

TEST_F(ControlTest, newControlHasTheDefaultsAndSavesThe32ByteStream)
{
    ComPtr<IPictaform> control = create();
    ASSERT_TRUE(control);
    OLE_COLOR colour = 0;
    VARIANT_BOOL interlaced = 0, transparent = 0;
    std::int32_t type = 0;
    control->get_BgColor(&colour);
    control->get_Interlaced(&interlaced);
    control->get_Transparent(&transparent);
    control->get_Type(&type);
    EXPECT_EQ(colour, 0x00FFFFFFu);
    EXPECT_EQ(interlaced, VARIANT_TRUE);
    EXPECT_EQ(transparent, VARIANT_TRUE);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(save(control.get()), kDefaultStream);
    EXPECT_HR(S_FALSE, control.as<IPersistStreamInit>()->IsDirty());
    EXPECT_HR(E_POINTER, control->get_Type(nullptr));
}

TEST_F(ControlTest, loadingAStreamAndSavingAgainGivesTheSameBytes)
{
    std::vector<std::uint8_t> stream = {
        0x00, 0x02, 0x00, 0x00, 0xE8, 0x03, 0x00, 0x00, 0xF4, 0x01, 0x00, 0x00, // extent 1000 x 500
        0x03, 0x00, 0xFF, 0xFF, 0xFF, 0xFF,                                     // Type -1
        0x0B, 0x00, 0x00, 0x00,                                                 // Transparent false
        0x0B, 0x00, 0x01, 0x00,                                                 // Interlaced 1 (not -1)
        0x13, 0x00, 0x05, 0x00, 0x00, 0x80,                                     // BgColor: a system colour
    };
    for (const auto& bytes : {kDefaultStream, stream}) {
        ComPtr<IPictaform> control = create();
        ASSERT_HR(S_OK, load(control.get(), bytes));
        EXPECT_EQ(save(control.get()), bytes);
    }
    ComPtr<IPictaform> control = create();
    ASSERT_HR(S_OK, load(control.get(), stream));
    VARIANT_BOOL interlaced = 0;
    OLE_COLOR colour = 0;
    control->get_Interlaced(&interlaced);
    control->get_BgColor(&colour);
    EXPECT_EQ(interlaced, 1);
    EXPECT_EQ(colour, 0x80000005u);
    SIZEL extent;
    EXPECT_HR(S_OK, control.as<IOleObject>()->GetExtent(DVASPECT_CONTENT, &extent));
    EXPECT_EQ(extent.cx, 1000);
    EXPECT_EQ(extent.cy, 500);
}

namespace {

std::vector<std::uint8_t> header() { return {0x00, 0x02, 0x00, 0x00, 0xA7, 0x01, 0x00, 0x00, 0xA7, 0x01, 0x00, 0x00}; }

std::vector<std::uint8_t> operator+(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST_F(ControlTest, badStreamsFailWithTheirCodeAndKeepWhatWasAlreadySet)
{
    struct Case {
        const char* hazard;
        std::vector<std::uint8_t> bytes;
        HRESULT expected;
        std::int32_t typeAfter;
    };
    const std::vector<std::uint8_t> type7 = {0x03, 0x00, 0x07, 0x00, 0x00, 0x00};
    std::vector<std::uint8_t> nullObject = header() + std::vector<std::uint8_t>{0x09, 0x00};
    nullObject.resize(nullObject.size() + 16, 0); // a null class identifier
    const Case cases[] = {
        {"empty stream", {}, STG_E_READFAULT, 1},
        {"extent cut short", {0x00, 0x02, 0x00, 0x00, 0xA7, 0x01}, STG_E_READFAULT, 1},
        {"ends after the first record", header() + type7, STG_E_READFAULT, 7},
        {"record cut inside its value", header() + std::vector<std::uint8_t>{0x03, 0x00, 0x07}, STG_E_READFAULT, 1},
        {"string count beyond the stream",
         header() + std::vector<std::uint8_t>{0x08, 0x00, 0xE8, 0x03, 0x00, 0x00, '7', 0}, STG_E_READFAULT, 1},
        {"string count of 4 GiB", header() + std::vector<std::uint8_t>{0x08, 0x00, 0xF0, 0xFF, 0xFF, 0xFF, '7', 0},
         E_FAIL, 1},
        {"odd string count", header() + std::vector<std::uint8_t>{0x08, 0x00, 0x03, 0x00, 0x00, 0x00, '7', 0, 0},
         E_FAIL, 1},
        {"string without terminator",
         header() + std::vector<std::uint8_t>{0x08, 0x00, 0x04, 0x00, 0x00, 0x00, '7', 0, '8', 0}, E_FAIL, 1},
        {"text that is no number",
         header() + std::vector<std::uint8_t>{0x08, 0x00, 0x04, 0x00, 0x00, 0x00, 'x', 0, 0, 0}, E_FAIL, 1},
        {"unknown tag", header() + std::vector<std::uint8_t>{0x44, 0x00, 0x04, 0x00, 0x00, 0x00, '5', 0, 0, 0},
         DISP_E_BADVARTYPE, 1},
        {"by-reference tag", header() + std::vector<std::uint8_t>{0x03, 0x40, 0x04, 0x00, 0x00, 0x00, '5', 0, 0, 0},
         DISP_E_BADVARTYPE, 1},
        {"null object for a number", nullObject, E_FAIL, 1},
        {"object of some class",
         header() + std::vector<std::uint8_t>{0x0D, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16},
         E_FAIL, 1},
    };
    for (const Case& c : cases) {
        ComPtr<IPictaform> control = create();
        EXPECT_HR(c.expected, load(control.get(), c.bytes)) << c.hazard;
        std::int32_t type = 0;
        control->get_Type(&type);
        EXPECT_EQ(type, c.typeAfter) << c.hazard;
        VARIANT_BOOL transparent = 0;
        control->get_Transparent(&transparent);
        EXPECT_EQ(transparent, VARIANT_TRUE) << c.hazard;
    }
}

TEST_F(ControlTest, recordsOfOtherTypesConvertToThePropertyType)
{
    // Type as text (tag 8), Transparent as an 8-byte integer sent as text
    // (tag 20), Interlaced as a double (tag 5), BgColor as a 16-bit integer.
    std::vector<std::uint8_t> bytes = header()
        + std::vector<std::uint8_t>{
            0x08, 0x00, 0x04, 0x00, 0x00, 0x00, '2', 0, 0,    0,    // Type "2"
            0x14, 0x00, 0x04, 0x00, 0x00, 0x00, '0', 0, 0,    0,    // Transparent 0 as VT_I8
            0x05, 0x00, 0,    0,    0,    0,    0,   0, 0xF0, 0x3F, // Interlaced 1.0
            0x02, 0x00, 0xFF, 0x00,                                 // BgColor 255 as VT_I2
        };
    ComPtr<IPictaform> control = create();
    ASSERT_HR(S_OK, load(control.get(), bytes));
    std::int32_t type = 0;
    VARIANT_BOOL transparent = 1, interlaced = 0;
    OLE_COLOR colour = 0;
    control->get_Type(&type);
    control->get_Transparent(&transparent);
    control->get_Interlaced(&interlaced);
    control->get_BgColor(&colour);
    EXPECT_EQ(type, 2);
    EXPECT_EQ(transparent, VARIANT_FALSE);
    EXPECT_EQ(interlaced, VARIANT_TRUE);
    EXPECT_EQ(colour, 255u);
}

TEST_F(ControlTest, newerVersionKeepsTheExtentAndReadsRecordsRightAfterIt)
{
    std::vector<std::uint8_t> bytes = {0x01, 0x03, 0x00, 0x00, 0x03, 0x00, 0x05, 0x00, 0x00, 0x00};
    ComPtr<IPictaform> control = create();
    EXPECT_HR(STG_E_READFAULT, load(control.get(), bytes)); // Type read, then the stream ends
    std::int32_t type = 0;
    control->get_Type(&type);
    EXPECT_EQ(type, 5);
    SIZEL extent;
    control.as<IOleObject>()->GetExtent(DVASPECT_CONTENT, &extent);
    EXPECT_EQ(extent.cx, 423);
}

TEST_F(ControlTest, storageKeepsTheStreamInItsContentsElement)
{
    ComPtr<IPictaform> control = create();
    ComPtr<IStorage> storage = CreateMemoryStorage();
    ComPtr<IPersistStorage> persist = control.as<IPersistStorage>();
    EXPECT_HR(STG_E_FILENOTFOUND, persist->Load(storage.get()));
    ASSERT_HR(S_OK, persist->Save(storage.get(), TRUE));
    ComPtr<IStream> contents;
    ASSERT_HR(S_OK, storage->OpenStream(u"Contents", STGM_READ | STGM_SHARE_EXCLUSIVE, contents.put()));
    EXPECT_EQ(MemoryStreamBytes(contents.get()), kDefaultStream);
    contents = nullptr;
    control->put_Type(2);
    ASSERT_HR(S_OK, persist->Save(storage.get(), TRUE)); // replaces the element
    ComPtr<IPictaform> other = create();
    ASSERT_HR(S_OK, other.as<IPersistStorage>()->Load(storage.get()));
    std::int32_t type = 0;
    other->get_Type(&type);
    EXPECT_EQ(type, 2);
}

TEST_F(ControlTest, dispatchByIdentifierAndByNameWithAutomationConversion)
{
    ComPtr<IDispatch> dispatch = create().as<IDispatch>();
    ASSERT_TRUE(dispatch);
    const char* names[] = {"BgColor", "interlaced", "TRANSPARENT", "Type", "CopyFile", "CopyPicture"};
    for (int i = 0; i < 6; ++i) {
        DISPID id = 0;
        ASSERT_HR(S_OK, DispatchIdOfName(dispatch.get(), names[i], &id)) << names[i];
        EXPECT_EQ(id, i + 1) << names[i];
    }
    Variant value;
    ASSERT_HR(S_OK, DispatchPutProperty(dispatch.get(), DISPID_Type, Variant("2")));
    ASSERT_HR(S_OK, DispatchGetProperty(dispatch.get(), DISPID_Type, value));
    EXPECT_EQ(value.vt, VT_I4);
    EXPECT_EQ(value.lVal, 2);
    ASSERT_HR(S_OK, DispatchPutProperty(dispatch.get(), DISPID_Interlaced, Variant::boolean(1)));
    ASSERT_HR(S_OK, DispatchGetProperty(dispatch.get(), DISPID_Interlaced, value));
    EXPECT_EQ(value.boolVal, 1); // any non-zero is true and reads back as set
    EXPECT_HR(DISP_E_OVERFLOW, DispatchPutProperty(dispatch.get(), DISPID_BgColor, Variant(std::int32_t{-1})));
    ASSERT_HR(S_OK, DispatchPutProperty(dispatch.get(), DISPID_BgColor, Variant(std::uint32_t{0x80000005u})));
    ASSERT_HR(S_OK, DispatchGetProperty(dispatch.get(), DISPID_BgColor, value));
    EXPECT_EQ(value.vt, VT_UI4);
    EXPECT_EQ(value.ulVal, 0x80000005u);
    EXPECT_HR(DISP_E_BADPARAMCOUNT, DispatchCall(dispatch.get(), DISPID_CopyPicture, {Variant(std::int32_t{0})}));
    EXPECT_HR(DISP_E_MEMBERNOTFOUND, DispatchCall(dispatch.get(), 7, {}));

    // Each invocation starts by clearing the thread's error information.
    ComPtr<ICreateErrorInfo> error;
    CreateErrorInfo(error.put());
    SetErrorInfo(0, error.as<IErrorInfo>().get());
    DispatchGetProperty(dispatch.get(), DISPID_Type, value);
    ComPtr<IErrorInfo> left;
    EXPECT_HR(S_FALSE, GetErrorInfo(0, left.put()));

    UINT count = 0;
    dispatch->GetTypeInfoCount(&count);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    EXPECT_HR(DISP_E_BADINDEX, dispatch->GetTypeInfo(1, 0, info.put()));
    ASSERT_HR(S_OK, dispatch->GetTypeInfo(0, 0, info.put()));
    Bstr name, help;
    info->GetDocumentation(DISPID_CopyPicture, name.put(), help.put(), nullptr, nullptr);
    EXPECT_EQ(help.toUtf8(), "copy and convert picture to output file");
    info->GetDocumentation(DISPID_UNKNOWN, name.put(), help.put(), nullptr, nullptr);
    EXPECT_EQ(name.toUtf8(), "IPictaform");
    EXPECT_EQ(help.toUtf8(), "IPictaform Interface");
}

TEST_F(ControlTest, withoutTheTypeLibraryDispatchAndSavingFailButDirectCallsWork)
{
    ComPtr<IPictaform> control = create();
    ASSERT_HR(S_OK, UnRegisterTypeLib(LIBID_PICTAFLib, 1, 1, 0x409));
    ComPtr<IPictaform> fresh = create(); // the type information is shared while any control lives
    control = nullptr;
    fresh = nullptr;
    fresh = create();
    Variant value;
    EXPECT_HR(TYPE_E_LIBNOTREGISTERED, DispatchGetProperty(fresh.as<IDispatch>().get(), DISPID_Type, value));
    ComPtr<IStream> stream = CreateMemoryStream();
    EXPECT_HR(E_FAIL, fresh.as<IPersistStreamInit>()->Save(stream.get(), TRUE));
    EXPECT_HR(S_OK, fresh->put_Type(3));
    std::int32_t type = 0;
    fresh->get_Type(&type);
    EXPECT_EQ(type, 3);
}

TEST_F(ControlTest, conversionsWithoutPictureOrNameOrWithForeignHandleCreateNothing)
{
    ComPtr<IPictaform> control = create();
    const std::string out = outputFile("nothing.gif");
    Bstr name = Bstr::fromUtf8(out), empty;
    plat::HGDIOBJ bitmap = plat::CreateCompatibleBitmap(4, 3);
    plat::HGDIOBJ stale = plat::CreateCompatibleBitmap(2, 2);
    plat::DeleteObject(stale);
    EXPECT_HR(S_OK, control->CopyPicture(0, name.get(), 4, 3));
    EXPECT_HR(S_OK, control->CopyPicture(static_cast<std::int32_t>(bitmap), empty.get(), 4, 3));
    EXPECT_HR(S_OK, control->CopyPicture(static_cast<std::int32_t>(stale), name.get(), 4, 3));
    EXPECT_HR(S_OK, control->CopyPicture(0x7FFF1234, name.get(), 4, 3));
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(plat::GetObjectType(bitmap), plat::OBJ_BITMAP); // the caller's handle stays the caller's

    const std::string notAnImage = outputFile("notes.txt");
    std::FILE* f = std::fopen(notAnImage.c_str(), "wb");
    std::fputs("just words", f);
    std::fclose(f);
    Bstr input = Bstr::fromUtf8(notAnImage);
    EXPECT_HR(S_OK, control->CopyFile(empty.get(), name.get(), 100, 100));
    EXPECT_HR(S_OK, control->CopyFile(input.get(), empty.get(), 100, 100));
    EXPECT_HR(S_OK, control->CopyFile(input.get(), name.get(), 100, 100));
    EXPECT_FALSE(std::filesystem::exists(out));
    plat::DeleteObject(bitmap);
}

namespace {

// Whether a Type 0 conversion of a small bitmap leaves a file behind.
bool engineWrites(const std::string& probe)
{
    plat::HGDIOBJ bitmap = plat::CreateCompatibleBitmap(2, 2);
    ComPtr<IPictaform> control;
    CreateObject("Pictaform.Pictaform", control);
    control->put_Type(0);
    Bstr name = Bstr::fromUtf8(probe);
    control->CopyPicture(static_cast<std::int32_t>(bitmap), name.get(), 2, 2);
    plat::DeleteObject(bitmap);
    return std::filesystem::exists(probe);
}

std::string magic(const std::string& file)
{
    char buf[4] = {};
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f)
        return "<missing>";
    std::size_t n = std::fread(buf, 1, 4, f);
    std::fclose(f);
    return std::string(buf, n);
}

} // namespace

TEST_F(ControlTest, typeOneWritesGifAndEveryOtherTypeWritesBmp)
{
    // A control that writes no BMP fails here rather than skipping its subject.
    ASSERT_TRUE(engineWrites(outputFile("probe.bmp"))) << "the control wrote no BMP file";
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(qRgb(10, 200, 30));
    plat::HGDIOBJ bitmap = plat::CreateBitmapFromImage(image);
    ComPtr<IPictaform> control = create();
    for (std::int32_t type : {1, 0, 2, -1}) {
        control->put_Type(type);
        const std::string out = outputFile(("type" + std::to_string(type) + ".out").c_str());
        Bstr name = Bstr::fromUtf8(out);
        EXPECT_HR(S_OK, control->CopyPicture(static_cast<std::int32_t>(bitmap), name.get(), 4, 3));
        EXPECT_EQ(magic(out).substr(0, type == 1 ? 4 : 2), type == 1 ? "GIF8" : "BM") << "Type " << type;
    }
    plat::DeleteObject(bitmap);
}

TEST_F(ControlTest, hostCreatesTheControlThroughTheRegistryAndConvertsThroughInvoke)
{
    // As the editor does: the stored class name, the stored stream, then
    // Type (4) and CopyPicture (6) by dispatch identifier.
    CLSID clsid;
    ASSERT_HR(S_OK, CLSIDFromFormClassName("PICTAFLibCtl.Pictafor", &clsid));
    EXPECT_EQ(clsid, CLSID_Pictafor);
    ComPtr<IUnknown> control;
    ASSERT_HR(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, control.put_void()));
    ASSERT_HR(S_OK, control.as<IPersistStreamInit>()->Load(CreateMemoryStream(kDefaultStream).get()));
    ComPtr<IDispatch> dispatch = control.as<IDispatch>();
    ASSERT_HR(S_OK, DispatchPutProperty(dispatch.get(), 4, Variant(std::int32_t{1})));
    QImage banner(468, 60, QImage::Format_RGB32);
    banner.fill(Qt::white);
    plat::HGDIOBJ bitmap = plat::CreateBitmapFromImage(banner);
    const std::string out = outputFile("banner.gif");
    ASSERT_HR(S_OK,
              DispatchCall(dispatch.get(), 6,
                           {Variant(static_cast<std::int32_t>(bitmap)), Variant(out), Variant(std::int32_t{468}),
                            Variant(std::int32_t{60})}));
    EXPECT_EQ(plat::GetObjectType(bitmap), plat::OBJ_BITMAP);
    plat::DeleteObject(bitmap);
    // A control that writes no BMP fails here rather than skipping its subject.
    ASSERT_TRUE(engineWrites(outputFile("probe.bmp"))) << "the control wrote no BMP file";
    EXPECT_EQ(magic(out), "GIF8");
}

TEST_F(ControlTest, extentIsFixedAtTheNaturalSizeAndOtherAspectsAreRefused)
{
    ComPtr<IOleObject> ole = create().as<IOleObject>();
    SIZEL size;
    ASSERT_HR(S_OK, ole->GetExtent(DVASPECT_CONTENT, &size));
    EXPECT_EQ(size, (SIZEL{423, 423}));
    SIZEL bigger{846, 846};
    EXPECT_HR(E_FAIL, ole->SetExtent(DVASPECT_CONTENT, &bigger));
    EXPECT_HR(DV_E_DVASPECT, ole->SetExtent(DVASPECT_ICON, &size));
    EXPECT_HR(S_OK, ole->SetExtent(DVASPECT_CONTENT, &size));
    EXPECT_FALSE(SUCCEEDED(ole->GetExtent(DVASPECT_THUMBNAIL, &size)));
    ASSERT_HR(S_OK, ole->GetExtent(DVASPECT_CONTENT, &size));
    EXPECT_EQ(size, (SIZEL{423, 423}));

    plat::SetLogPixels(120, 144); // 16 pixels at other resolutions
    ComPtr<IOleObject> other = create().as<IOleObject>();
    plat::SetLogPixels(96, 96);
    ASSERT_HR(S_OK, other->GetExtent(DVASPECT_CONTENT, &size));
    EXPECT_EQ(size, (SIZEL{339, 282}));
}

TEST_F(ControlTest, registrationAnswersUserTypeStatusVerbsAndPages)
{
    ComPtr<IPictaform> control = create();
    ComPtr<IOleObject> ole = control.as<IOleObject>();
    DWORD status = 0;
    ASSERT_HR(S_OK, ole->GetMiscStatus(DVASPECT_CONTENT, &status));
    EXPECT_EQ(status, 132497u);
    LPOLESTR type = nullptr;
    ASSERT_HR(S_OK, ole->GetUserType(USERCLASSTYPE_SHORT, &type));
    EXPECT_EQ(std::u16string(type), u"Orvane Pictaform Control");
    CoTaskMemFree(type);
    ComPtr<IEnumOLEVERB> verbs;
    EXPECT_HR(OLEOBJ_E_NOVERBS, ole->EnumVerbs(verbs.put()));
    CAUUID pages;
    ASSERT_HR(S_OK, control.as<ISpecifyPropertyPages>()->GetPages(&pages));
    ASSERT_EQ(pages.cElems, 1u);
    EXPECT_EQ(pages.pElems[0], CLSID_About);
    CoTaskMemFree(pages.pElems);

    ComPtr<ISupportErrorInfo> errors = control.as<ISupportErrorInfo>();
    EXPECT_HR(S_OK, errors->InterfaceSupportsErrorInfo(IID_IPictaform));
    EXPECT_HR(S_FALSE, errors->InterfaceSupportsErrorInfo(IID_IDispatch));
    ComPtr<IProvideClassInfo2> classInfo = control.as<IProvideClassInfo2>();
    GUID source = CLSID_About;
    EXPECT_HR(E_FAIL, classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source));
    EXPECT_EQ(source, GUID_NULL);
    ComPtr<ITypeInfo> info;
    ASSERT_HR(S_OK, classInfo->GetClassInfo(info.put()));
    TYPEATTR attr;
    info->GetTypeAttr(&attr);
    EXPECT_EQ(attr.guid, CLSID_Pictafor);
    EXPECT_EQ(attr.typekind, TKIND_COCLASS);
}

TEST_F(ControlTest, answersTheStandardInterfacesButNoConnectionPointsOrPropertyBags)
{
    ComPtr<IUnknown> control = create().as<IUnknown>();
    const IID offered[] = {IID_IPictaform,
                           IID_IDispatch,
                           uuidof<IViewObjectEx>(),
                           uuidof<IViewObject2>(),
                           uuidof<IViewObject>(),
                           uuidof<IOleInPlaceObjectWindowless>(),
                           uuidof<IOleInPlaceObject>(),
                           uuidof<IOleWindow>(),
                           uuidof<IOleInPlaceActiveObject>(),
                           uuidof<IOleControl>(),
                           uuidof<IOleObject>(),
                           uuidof<IQuickActivate>(),
                           uuidof<IPersistStorage>(),
                           uuidof<IPersistStreamInit>(),
                           uuidof<ISpecifyPropertyPages>(),
                           uuidof<IDataObject>(),
                           uuidof<IProvideClassInfo>(),
                           uuidof<IProvideClassInfo2>(),
                           uuidof<ISupportErrorInfo>()};
    for (const IID& iid : offered) {
        ComPtr<IUnknown> p;
        EXPECT_HR(S_OK, control->QueryInterface(iid, p.put_void())) << GuidToString(iid);
        // Every interface leads back to the one identity.
        ComPtr<IUnknown> identity;
        if (p)
            p->QueryInterface(IID_IUnknown, identity.put_void());
        EXPECT_EQ(identity.get(), control.get());
    }
    const IID connectionPoints = MakeGuid("B196B284-BAB4-101A-B69C-00AA00341D07");
    const IID propertyBag = MakeGuid("37D84F60-42CB-11CE-8135-00AA004BB851");
    for (const IID& iid : {connectionPoints, propertyBag, uuidof<IPersistStream>()}) {
        void* p = reinterpret_cast<void*>(1);
        EXPECT_HR(E_NOINTERFACE, control->QueryInterface(iid, &p));
        EXPECT_EQ(p, nullptr);
    }
}

TEST_F(ControlTest, verbsActAsTheTableSays)
{
    ComPtr<IOleObject> ole = create().as<IOleObject>();
    ComPtr<FakeSite> site = ComPtr<FakeSite>::attach(new FakeSite);
    ASSERT_HR(S_OK, ole->SetClientSite(site.get()));
    EXPECT_HR(S_OK, ole->DoVerb(OLEIVERB_OPEN, nullptr, nullptr, 0, nullptr, nullptr));
    EXPECT_HR(S_OK, ole->DoVerb(OLEIVERB_DISCARDUNDOSTATE, nullptr, nullptr, 0, nullptr, nullptr));
    EXPECT_HR(E_NOTIMPL, ole->DoVerb(1, nullptr, nullptr, 0, nullptr, nullptr));
    EXPECT_HR(E_NOTIMPL, ole->DoVerb(-8, nullptr, nullptr, 0, nullptr, nullptr));
    EXPECT_HR(S_OK, ole->DoVerb(OLEIVERB_PROPERTIES, nullptr, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(site->propertyFrames, 1);
    site->userMode = false; // design mode: the primary verb shows the pages
    EXPECT_HR(S_OK, ole->DoVerb(OLEIVERB_PRIMARY, nullptr, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(site->propertyFrames, 2);
    site->userMode = true; // run mode: activation in place, which this site cannot host
    EXPECT_HR(E_FAIL, ole->DoVerb(OLEIVERB_PRIMARY, nullptr, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(site->propertyFrames, 2);
    ole->SetClientSite(nullptr);
}

TEST_F(ControlTest, initNewKeepsDefaultsAndTellsDataChangeListeners)
{
    ComPtr<IPictaform> control = create();
    ComPtr<CountingSink> sink = ComPtr<CountingSink>::attach(new CountingSink);
    DWORD connection = 0;
    FORMATETC format;
    ASSERT_HR(S_OK, control.as<IDataObject>()->DAdvise(&format, 0, sink.get(), &connection));
    control->put_Type(5);
    EXPECT_HR(S_OK, control.as<IPersistStreamInit>()->InitNew());
    EXPECT_EQ(sink->dataChanges, 1);
    std::int32_t type = 0;
    control->get_Type(&type);
    EXPECT_EQ(type, 5);
    EXPECT_HR(S_OK, control.as<IDataObject>()->DUnadvise(connection));
    EXPECT_HR(OLE_E_NOCONNECTION, control.as<IDataObject>()->DUnadvise(connection));
}

TEST_F(ControlTest, drawsBitmapOneUnscaledInTheTopLeftCornerClippedToTheRectangle)
{
    ComPtr<IViewObject> view = create().as<IViewObject>();
    QImage target(40, 40, QImage::Format_RGB32);
    const QRgb red = qRgb(255, 0, 0);
    target.fill(red);
    {
        QPainter painter(&target);
        RECTL bounds{5, 6, 15, 36}; // 10 wide: the 17-pixel bitmap is cut to it
        ASSERT_HR(S_OK,
                  view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, &painter, &bounds, nullptr, nullptr, 0));
        EXPECT_HR(DV_E_DVASPECT,
                  view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, &painter, &bounds, nullptr, nullptr, 0));
    }
    EXPECT_EQ(target.pixel(5, 6), qRgb(0xC0, 0xC0, 0xC0)); // the bitmap's grey border
    EXPECT_EQ(target.pixel(6, 7), qRgb(0, 0, 0));          // its black frame
    EXPECT_EQ(target.pixel(14, 22), qRgb(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(target.pixel(15, 10), red); // clipped at the rectangle's width
    EXPECT_EQ(target.pixel(8, 23), red);  // nothing below the bitmap's 17 rows
    EXPECT_EQ(target.pixel(4, 6), red);

    // In device pixels: a scaled painter moves the corner but not the size.
    target.fill(red);
    {
        QPainter painter(&target);
        painter.scale(2, 2);
        RECTL bounds{1, 1, 20, 20};
        view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, &painter, &bounds, nullptr, nullptr, 0);
    }
    EXPECT_EQ(target.pixel(2, 2), qRgb(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(target.pixel(3, 3), qRgb(0, 0, 0));
    EXPECT_EQ(target.pixel(2 + 17, 10), red); // 17 device pixels, not 34
    DWORD status = 0;
    view.as<IViewObjectEx>()->GetViewStatus(&status);
    EXPECT_EQ(status, VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND);
}

TEST_F(ControlTest, copyFileScalesAnImageFileByPercent)
{
    // A control that writes no BMP fails here rather than skipping its subject.
    ASSERT_TRUE(engineWrites(outputFile("probe.bmp"))) << "the control wrote no BMP file";
    // Make a 5 x 4 BMP with the control itself, then convert it at 200 x 50 per cent.
    QImage image(5, 4, QImage::Format_RGB32);
    image.fill(qRgb(0, 0, 255));
    plat::HGDIOBJ bitmap = plat::CreateBitmapFromImage(image);
    ComPtr<IPictaform> control = create();
    control->put_Type(0);
    const std::string bmp = outputFile("input.bmp");
    Bstr bmpName = Bstr::fromUtf8(bmp);
    ASSERT_HR(S_OK, control->CopyPicture(static_cast<std::int32_t>(bitmap), bmpName.get(), 5, 4));
    plat::DeleteObject(bitmap);
    control->put_Type(1);
    const std::string gif = outputFile("scaled.gif");
    Bstr gifName = Bstr::fromUtf8(gif);
    ASSERT_HR(S_OK, control->CopyFile(bmpName.get(), gifName.get(), 200, 50));
    std::FILE* f = std::fopen(gif.c_str(), "rb");
    ASSERT_TRUE(f);
    std::uint8_t head[10] = {};
    ASSERT_EQ(std::fread(head, 1, sizeof head, f), sizeof head);
    std::fclose(f);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(head), 6), "GIF89a"); // transparent by default
    EXPECT_EQ(head[6] | head[7] << 8, 10);                              // logical screen width
    EXPECT_EQ(head[8] | head[9] << 8, 2);
}

TEST_F(ControlTest, copyFileKeepsItsInputAndWritesThroughLinks)
{
    // A control that writes no BMP fails here rather than skipping its subject.
    ASSERT_TRUE(engineWrites(outputFile("probe.bmp"))) << "the control wrote no BMP file";
    QImage image(6, 3, QImage::Format_RGB32);
    image.fill(qRgb(0, 128, 255));
    plat::HGDIOBJ bitmap = plat::CreateBitmapFromImage(image);
    ComPtr<IPictaform> control = create();
    control->put_Type(0);
    const std::string bmp = outputFile("keep.bmp");
    Bstr bmpName = Bstr::fromUtf8(bmp);
    ASSERT_HR(S_OK, control->CopyPicture(static_cast<std::int32_t>(bitmap), bmpName.get(), 6, 3));
    plat::DeleteObject(bitmap);
    const auto size = std::filesystem::file_size(bmp);

    // Converting a file onto itself, directly or through a link, would
    // destroy it: nothing happens.
    control->put_Type(1);
    std::filesystem::create_symlink(bmp, outputFile("alias.gif"));
    Bstr alias = Bstr::fromUtf8(outputFile("alias.gif"));
    EXPECT_HR(S_OK, control->CopyFile(bmpName.get(), bmpName.get(), 100, 100));
    EXPECT_HR(S_OK, control->CopyFile(bmpName.get(), alias.get(), 100, 100));
    EXPECT_EQ(std::filesystem::file_size(bmp), size);
    EXPECT_TRUE(std::filesystem::is_symlink(outputFile("alias.gif")));

    // Any other link is written through to its target and stays a link.
    std::filesystem::create_symlink("target.gif", outputFile("link.gif"));
    Bstr link = Bstr::fromUtf8(outputFile("link.gif"));
    EXPECT_HR(S_OK, control->CopyFile(bmpName.get(), link.get(), 100, 100));
    EXPECT_TRUE(std::filesystem::is_symlink(outputFile("link.gif")));
    std::FILE* f = std::fopen(outputFile("target.gif").c_str(), "rb");
    ASSERT_TRUE(f);
    char head[6] = {};
    EXPECT_EQ(std::fread(head, 1, sizeof head, f), sizeof head);
    std::fclose(f);
    EXPECT_EQ(std::string(head, 6), "GIF89a");
}

TEST_F(ControlTest, aPictureTooWideForAGifIsRefusedBeforeItIsDecoded)
{
    // 1 KB of run-length BMP declaring 1048576 x 256 pixels: a gigabyte if
    // decoded, and no GIF can hold it anyway.
    std::vector<std::uint8_t> file = {'B', 'M', 0, 4,  0, 0, 0, 0, 0, 0, 62, 0, 0, 0, 40, 0, 0,
                                      0,   0,   0, 16, 0, 0, 1, 0, 0, 1, 0,  8, 0, 1, 0,  0, 0};
    file.resize(14 + 40, 0);
    file[46] = 2; // colours used
    file.insert(file.end(), {0, 0, 0, 0, 255, 255, 255, 0});
    file.resize(1024, 0);
    file.back() = 1; // end of bitmap
    const std::string input = outputFile("wide.bmp");
    std::FILE* f = std::fopen(input.c_str(), "wb");
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
    ComPtr<IPictaform> control = create();
    Bstr in = Bstr::fromUtf8(input), out = Bstr::fromUtf8(outputFile("wide.gif"));
    struct rusage before {
    }, after{};
    getrusage(RUSAGE_SELF, &before);
    EXPECT_HR(S_OK, control->CopyFile(in.get(), out.get(), 100, 100));
    getrusage(RUSAGE_SELF, &after);
    EXPECT_FALSE(std::filesystem::exists(outputFile("wide.gif")));
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 256 * 1024); // kilobytes
}
