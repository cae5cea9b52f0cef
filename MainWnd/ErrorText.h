// The texts of the error codes that the main window shows when another
// process sends it WM_USER + 1001 with a code in lParam.
#pragma once

#include <string>

// Every code outside the table (negative and huge ones included) gives
// "未知错误"; the code is compared whole, never truncated.
std::wstring GetErrorText(long long code);
