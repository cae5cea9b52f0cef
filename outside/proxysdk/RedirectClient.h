// The redirection library's side of the redirection service: one request
// per connection to the user's service socket, and starting the service
// when it does not run.
#pragma once

#include "outside/redirect/ServiceClient.h"

#include <string>

// Makes sure the user's service runs: answers a ping, or is started (as
// root directly, otherwise through pkexec, polkit's privilege prompt) and
// answers within the wait. False with what the user has to do otherwise.
bool EnsureRedirectService(std::string& error);

// The folder the library was loaded from (the program directory).
std::string LibraryDirectory();
