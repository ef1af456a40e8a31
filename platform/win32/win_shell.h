// Shell: opening a document or address with the desktop's opener.
#pragma once

#include "platform/win32/win_types.h"

#define SE_ERR_FNF 2
#define SE_ERR_NOASSOC 31

// Returns a value above 32 on success, 32 or below on failure (SE_ERR_FNF for no file,
// SE_ERR_NOASSOC when no opener exists). Headless: records the call and returns the result
// the test set (42 by default).
HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, int showCmd);
