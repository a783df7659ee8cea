// Files dropped from the shell and handed to the panel as WM_DROPFILES.
#pragma once

#include <windows.h>

void OnDropFiles(HDROP drop);
