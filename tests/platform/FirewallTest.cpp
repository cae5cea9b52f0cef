#include "platform/Firewall.h"

#include "tests/support/TempMachineRoot.h"

#include <gtest/gtest.h>

namespace {

class FirewallTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  void TearDown() override { CoUninitialize(); }

  void OpenList(ComPtr<INetFwAuthorizedApplications>& apps) {
    ComPtr<INetFwMgr> manager;
    ASSERT_EQ(CoCreateInstance(CLSID_NetFwMgr, nullptr, CLSCTX_INPROC_SERVER, IID_INetFwMgr, manager.PutVoid()), S_OK);
    ComPtr<INetFwPolicy> policy;
    ASSERT_EQ(manager->get_LocalPolicy(policy.Put()), S_OK);
    ComPtr<INetFwProfile> profile;
    ASSERT_EQ(policy->get_CurrentProfile(profile.Put()), S_OK);
    ASSERT_EQ(profile->get_AuthorizedApplications(apps.Put()), S_OK);
  }

  TempMachineRoot root;
};

TEST_F(FirewallTest, AddedEntriesAreFoundByEitherSeparatorAndPersist) {
  ComPtr<INetFwAuthorizedApplications> apps;
  OpenList(apps);
  ComPtr<INetFwAuthorizedApplication> app;
  ASSERT_EQ(CoCreateInstance(CLSID_NetFwAuthorizedApplication, nullptr, CLSCTX_INPROC_SERVER,
                             IID_INetFwAuthorizedApplication, app.PutVoid()),
            S_OK);
  ASSERT_EQ(app->put_Name(L"brisvel-old-local"), S_OK);
  ASSERT_EQ(app->put_ProcessImageFileName(L"/opt/b/Localold\\local.exe"), S_OK);
  ASSERT_EQ(apps->Add(app.Get()), S_OK);
  ASSERT_EQ(apps->Add(app.Get()), S_OK);  // adding again updates, never duplicates
  long count = 0;
  ASSERT_EQ(apps->get_Count(&count), S_OK);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(ReadTestFile(root.path() / "firewall.txt"), "1\tbrisvel-old-local\t/opt/b/Localold/local.exe\n");

  ComPtr<INetFwAuthorizedApplication> found;
  ASSERT_EQ(apps->Item(L"/opt/b/Localold/local.exe", found.Put()), S_OK);
  ASSERT_EQ(found->put_Enabled(VARIANT_FALSE), S_OK);
  EXPECT_EQ(ReadTestFile(root.path() / "firewall.txt"), "0\tbrisvel-old-local\t/opt/b/Localold/local.exe\n");
  EXPECT_EQ(apps->Item(L"/opt/b/other.exe", found.Put()), HRESULT_FILE_NOT_FOUND);
}

TEST_F(FirewallTest, AStoppedFirewallRefusesItsPolicy) {
  WriteTestFile(root.path() / "firewall.stopped", "");
  ComPtr<INetFwMgr> manager;
  ASSERT_EQ(CoCreateInstance(CLSID_NetFwMgr, nullptr, CLSCTX_INPROC_SERVER, IID_INetFwMgr, manager.PutVoid()), S_OK);
  ComPtr<INetFwPolicy> policy;
  EXPECT_TRUE(FAILED(manager->get_LocalPolicy(policy.Put())));
}

TEST(Com, CreationNeedsAnInitialisedThread) {
  ComPtr<INetFwMgr> manager;
  EXPECT_EQ(CoCreateInstance(CLSID_NetFwMgr, nullptr, CLSCTX_INPROC_SERVER, IID_INetFwMgr, manager.PutVoid()),
            CO_E_NOTINITIALIZED);
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
  EXPECT_EQ(CoCreateInstance(CLSID_NetFwMgr, nullptr, CLSCTX_INPROC_SERVER, IID_INetFwAuthorizedApplication,
                             manager.PutVoid()),
            E_NOINTERFACE);
  CoUninitialize();
  CoUninitialize();
}

}  // namespace
