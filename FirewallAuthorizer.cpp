#include "FirewallAuthorizer.h"

FirewallAuthorizer::FirewallAuthorizer() {
  comInitialised_ = SUCCEEDED(CoInitialize(nullptr));
  ComPtr<INetFwMgr> manager;
  if (FAILED(CoCreateInstance(CLSID_NetFwMgr, nullptr, CLSCTX_INPROC_SERVER, IID_INetFwMgr, manager.PutVoid())))
    return;
  ComPtr<INetFwPolicy> policy;
  if (FAILED(manager->get_LocalPolicy(policy.Put()))) return;
  ComPtr<INetFwProfile> profile;
  if (FAILED(policy->get_CurrentProfile(profile.Put()))) return;
  profile->get_AuthorizedApplications(apps_.Put());
}

FirewallAuthorizer::~FirewallAuthorizer() {
  apps_.Reset();
  if (comInitialised_) CoUninitialize();
}

bool FirewallAuthorizer::IsAuthorized(const std::wstring& imagePath) {
  if (!apps_) return false;
  ComPtr<INetFwAuthorizedApplication> app;
  if (FAILED(apps_->Item(imagePath.c_str(), app.Put())) || !app) return false;
  VARIANT_BOOL enabled = VARIANT_FALSE;
  if (FAILED(app->get_Enabled(&enabled))) return false;
  if (enabled != VARIANT_FALSE) return true;
  return SUCCEEDED(app->put_Enabled(VARIANT_TRUE));
}

bool FirewallAuthorizer::Authorize(const std::wstring& imagePath, const std::wstring& name) {
  if (!apps_ || imagePath.empty()) return false;
  ComPtr<INetFwAuthorizedApplication> app;
  // Without an application object nothing was added: that is a failure.
  if (FAILED(CoCreateInstance(CLSID_NetFwAuthorizedApplication, nullptr, CLSCTX_INPROC_SERVER,
                              IID_INetFwAuthorizedApplication, app.PutVoid())))
    return false;
  std::wstring shownName = name;
  if (shownName.empty()) {
    size_t sep = imagePath.find_last_of(L'\\');
    if (sep == std::wstring::npos) sep = imagePath.find_last_of(L'/');
    shownName = sep == std::wstring::npos ? std::wstring() : imagePath.substr(sep + 1);
    if (shownName.empty()) shownName = L"Unknown Name";
  }
  if (FAILED(app->put_Name(shownName.c_str()))) return false;
  if (FAILED(app->put_ProcessImageFileName(imagePath.c_str()))) return false;
  return SUCCEEDED(apps_->Add(app.Get()));
}
