// The redirection library's side of the redirection service: requests
// (ServiceClient.h) and starting the service when it does not answer.
#pragma once

#include "outside/redirect/ServiceClient.h"

#include <string>

// Makes sure the service runs (ServiceStarter.h); false with what the user
// has to do otherwise.
bool EnsureRedirectService(std::string& error);

// The folder the library was loaded from (the program directory).
std::string LibraryDirectory();
