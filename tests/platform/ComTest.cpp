// The COM model: strings, values, class ids and the class registry.
#include <gtest/gtest.h>

#include "platform/Automation.h"
#include "platform/Firewall.h"

namespace {

class CountingFactory : public IClassFactory {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    AddRef();
    *out = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  HRESULT CreateInstance(IUnknown*, REFIID, void** out) override {
    ++created;
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT LockServer(BOOL) override { return S_OK; }
  ULONG refs = 1;
  int created = 0;
};

constexpr CLSID kTestClass{0x01234567, 0x89AB, 0xCDEF, {1, 2, 3, 4, 5, 6, 7, 8}};

class ComTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  void TearDown() override { CoUninitialize(); }
};

TEST_F(ComTest, BstrKeepsItsLengthAndEmbeddedNuls) {
  const wchar_t text[] = {L'a', 0, L'b'};
  BSTR s = SysAllocStringLen(text, 3);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 3u);
  EXPECT_EQ(s[2], L'b');
  EXPECT_EQ(s[3], 0);
  SysFreeString(s);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
}

TEST_F(ComTest, VariantCopyDuplicatesStringsAndClearFreesThem) {
  VARIANT a;
  VariantInit(&a);
  a.vt = VT_BSTR;
  a.bstrVal = SysAllocString(L"portal");
  VARIANT b;
  VariantInit(&b);
  ASSERT_EQ(VariantCopy(&b, &a), S_OK);
  EXPECT_NE(a.bstrVal, b.bstrVal);
  EXPECT_STREQ(b.bstrVal, L"portal");
  VariantClear(&a);
  VariantClear(&b);
  EXPECT_EQ(b.vt, VT_EMPTY);
}

TEST_F(ComTest, ClassIdsParseOnlyInTheirFullForm) {
  CLSID id;
  ASSERT_EQ(CLSIDFromString(L"{8856F961-340A-11d0-A96B-00C04FD705A2}", &id), S_OK);
  EXPECT_EQ(id.Data1, 0x8856F961u);
  EXPECT_EQ(id.Data4[7], 0xA2);
  for (const wchar_t* bad : {L"8856F961-340A-11D0-A96B-00C04FD705A2", L"{8856F961-340A-11D0-A96B-00C04FD705A}",
                             L"{8856F961-340A-11D0-A96B-00C04FD705A2}x", L"{8856F961-340A-11D0-A96B00C04FD705A2}",
                             L"{G856F961-340A-11D0-A96B-00C04FD705A2}", L""}) {
    EXPECT_EQ(CLSIDFromString(bad, &id), CO_E_CLASSSTRING) << bad;
    EXPECT_EQ(id, GUID_NULL);
  }
}

TEST_F(ComTest, RegisteredClassIsCreatedUntilRevoked) {
  CountingFactory factory;
  DWORD cookie = 0;
  void* out = nullptr;
  EXPECT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_ALL, IID_IUnknown, &out), REGDB_E_CLASSNOTREG);
  ASSERT_EQ(CoRegisterClassObject(kTestClass, &factory, CLSCTX_ALL, REGCLS_MULTIPLEUSE, &cookie), S_OK);
  EXPECT_EQ(factory.refs, 2u);
  EXPECT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_ALL, IID_IUnknown, &out), E_NOINTERFACE);
  EXPECT_EQ(factory.created, 1);
  EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
  EXPECT_EQ(factory.refs, 1u);
  EXPECT_EQ(CoRevokeClassObject(cookie), E_INVALIDARG);
  EXPECT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_ALL, IID_IUnknown, &out), REGDB_E_CLASSNOTREG);
}

TEST_F(ComTest, ProgIdsNameRegisteredClasses) {
  DWORD cookie = 0;
  CLSID id;
  EXPECT_EQ(CLSIDFromProgID(L"Test.Class", &id), CO_E_CLASSSTRING);
  ASSERT_EQ(CoRegisterProgID(L"Test.Class", kTestClass, &cookie), S_OK);
  EXPECT_EQ(CLSIDFromProgID(L"Test.Class", &id), S_OK);
  EXPECT_EQ(id, kTestClass);
  EXPECT_EQ(CLSIDFromProgID(L"test.class", &id), CO_E_CLASSSTRING);
  CoRevokeClassObject(cookie);
  EXPECT_EQ(CLSIDFromProgID(L"Test.Class", &id), CO_E_CLASSSTRING);
}

TEST_F(ComTest, AggregationIsRefusedAndTheLayersClassesAnswerQueryInterface) {
  CountingFactory outer;
  void* out = nullptr;
  EXPECT_EQ(CoCreateInstance(CLSID_NetFwMgr, &outer, CLSCTX_ALL, IID_INetFwMgr, &out), CLASS_E_NOAGGREGATION);
  ComPtr<IUnknown> manager;
  ASSERT_EQ(CoCreateInstance(CLSID_NetFwMgr, nullptr, CLSCTX_ALL, IID_IUnknown, manager.PutVoid()), S_OK);
  ComPtr<INetFwMgr> typed;
  EXPECT_TRUE(typed.QueryFrom(manager.Get(), IID_INetFwMgr));
  ComPtr<IDispatch> none;
  EXPECT_FALSE(none.QueryFrom(manager.Get(), IID_IDispatch));
}

}  // namespace
