// Ends the redirection service a test's acceleration started (it removes
// its rules as it ends), so that no root daemon outlives the test.
#pragma once

void StopRedirectService();
