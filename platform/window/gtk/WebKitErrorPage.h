// The page a browser control shows in place of a page that could not be
// loaded: the program's own (res/portal/load-failed.html), in Chinese, in
// the skin's colours, with a short reason and a link that loads the
// address again. Nothing of it is fetched.
#pragma once

#include <string>

typedef struct _GError GError;

// The page for a load of address (UTF-8) that failed with error (may be
// null). The link loads address again; it is left out for an address
// that is no web address.
std::string LoadFailedPage(const std::string& address, const GError* error);

// The short reason shown for error (UTF-8).
std::string LoadFailedReason(const GError* error);
