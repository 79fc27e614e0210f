#include "ComTestHelpers.h"

#include <com/ErrorInfo.h>
#include <com/MemoryStorage.h>
#include <com/MemoryStream.h>
#include <com/Persist.h>

using namespace plat::com;

TEST(MemoryStream, shortReadsSayFalseAndExactReadsFailWithReadFault)
{
    const std::uint8_t bytes[] = {1, 2, 3};
    ComPtr<IStream> s = CreateMemoryStream(bytes);
    std::uint8_t buf[4] = {};
    ULONG read = 99;
    EXPECT_HR(S_FALSE, s->Read(buf, 4, &read));
    EXPECT_EQ(read, 3u);
    EXPECT_HR(S_OK, s->Seek(0, STREAM_SEEK_SET, nullptr));
    EXPECT_HR(S_OK, ReadExact(s.get(), buf, 2));
    EXPECT_HR(STG_E_READFAULT, ReadExact(s.get(), buf, 2));
    EXPECT_HR(STG_E_INVALIDFUNCTION, s->Seek(-1, STREAM_SEEK_SET, nullptr));
    EXPECT_HR(S_OK, s->Seek(5, STREAM_SEEK_SET, nullptr));
    EXPECT_HR(S_OK, s->Write(bytes, 1, nullptr)); // writing past the end fills the gap
    EXPECT_EQ(MemoryStreamBytes(s.get()), (std::vector<std::uint8_t>{1, 2, 3, 0, 0, 1}));
}

TEST(MemoryStorage, elementsAreCreatedReplacedAndOpenedExclusively)
{
    ComPtr<IStorage> storage = CreateMemoryStorage();
    ComPtr<IStream> a;
    EXPECT_HR(STG_E_FILENOTFOUND, storage->OpenStream(u"Contents", STGM_READ | STGM_SHARE_EXCLUSIVE, a.put()));
    ASSERT_HR(S_OK, storage->CreateStream(u"Contents", STGM_READWRITE | STGM_SHARE_EXCLUSIVE, a.put()));
    EXPECT_HR(S_OK, a->Write("abc", 3, nullptr));
    ComPtr<IStream> b;
    EXPECT_HR(STG_E_ACCESSDENIED, storage->OpenStream(u"Contents", STGM_READ | STGM_SHARE_EXCLUSIVE, b.put()));
    EXPECT_HR(STG_E_FILEALREADYEXISTS,
              storage->CreateStream(u"Contents", STGM_READWRITE | STGM_SHARE_EXCLUSIVE, b.put()));
    a = nullptr;
    ASSERT_HR(S_OK, storage->OpenStream(u"Contents", STGM_READ | STGM_SHARE_EXCLUSIVE, b.put()));
    EXPECT_EQ(MemoryStreamBytes(b.get()), (std::vector<std::uint8_t>{'a', 'b', 'c'}));
    EXPECT_HR(STG_E_ACCESSDENIED, b->Write("x", 1, nullptr)); // opened for reading
    b = nullptr;
    ASSERT_HR(S_OK, storage->CreateStream(u"Contents", STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, a.put()));
    EXPECT_TRUE(MemoryStreamBytes(a.get()).empty());
    EXPECT_HR(STG_E_INVALIDNAME, storage->CreateStream(u"a\\b", STGM_READWRITE, b.put()));
    EXPECT_HR(STG_E_INVALIDNAME, storage->CreateStream(u"", STGM_READWRITE, b.put()));
}

TEST(ObjectStream, nullObjectIsANullClassIdentifier)
{
    ComPtr<IStream> s = CreateMemoryStream();
    ASSERT_HR(S_OK, OleSaveToStream(nullptr, s.get()));
    EXPECT_EQ(MemoryStreamBytes(s.get()), std::vector<std::uint8_t>(16, 0));
    s->Seek(0, STREAM_SEEK_SET, nullptr);
    void* object = reinterpret_cast<void*>(1);
    EXPECT_HR(S_OK, OleLoadFromStream(s.get(), IID_IUnknown, &object));
    EXPECT_EQ(object, nullptr);
    EXPECT_HR(STG_E_READFAULT, OleLoadFromStream(s.get(), IID_IUnknown, &object)); // nothing left
}

TEST(ErrorInfo, isPerThreadAndTakingItClearsIt)
{
    ComPtr<ICreateErrorInfo> create;
    ASSERT_HR(S_OK, CreateErrorInfo(create.put()));
    create->SetDescription(u"went wrong");
    ComPtr<IErrorInfo> info = create.as<IErrorInfo>();
    ASSERT_TRUE(info);
    SetErrorInfo(0, info.get());
    ComPtr<IErrorInfo> got;
    ASSERT_HR(S_OK, GetErrorInfo(0, got.put()));
    Bstr text;
    got->GetDescription(text.put());
    EXPECT_EQ(text.toUtf8(), "went wrong");
    EXPECT_HR(S_FALSE, GetErrorInfo(0, got.put()));
    EXPECT_FALSE(got);
}
