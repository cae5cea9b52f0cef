// What the tests see of the real redirection service: its rules on the
// machine, and its end.
#pragma once

#include <sys/types.h>

// True while the user's table is in force.
bool UserTableInForce(uid_t uid);
// True while a policy rule or route of the UDP detour is in force (of any
// user).
bool DetourRoutesInForce();

// Ends the redirection service a test started (it removes its rules as it
// ends) and the files it leaves in /run/brisgol, so that no root daemon
// and nothing of it outlives the test.
void StopRedirectService();
