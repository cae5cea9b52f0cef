// The real redirect behind the rules, with nftables.
//
// It is only used when the process runs as root, "nft" can be run, and the
// environment says BRISGOL_NFT_REDIRECT=1; otherwise the library only
// records the rules.
//
// Covered traffic: new TCP connections (IPv4) opened by processes whose
// user id is listed in BRISGOL_NFT_UIDS (comma-separated decimal ids; the
// users that run games), except connections carrying kProxyBypassMark.
// Those are sent to the rule's address and port (the local proxy), which
// finds their original destination with SO_ORIGINAL_DST. Nothing else is
// touched: without BRISGOL_NFT_UIDS no redirect is installed at all, so the
// machine's general traffic is never redirected by accident.
//
// Everything lives in one table of our own, "ip brisgol", replaced as a
// whole by every change and deleted by RemoveNftRedirect.
#pragma once

#include "outside/proxysdk/SdkState.h"

#include <string>
#include <vector>

// Root, BRISGOL_NFT_REDIRECT=1.
bool NftRedirectRequested();

// Installs the table redirecting covered traffic to the target of the
// last rule (the newest rule wins). False with a reason when the rules name
// no usable target, no user is covered, or nft fails.
bool InstallNftRedirect(const std::vector<RedirectRule>& rules, std::string& error);

// Deletes the table; true also when there was none.
bool RemoveNftRedirect(std::string& error);
