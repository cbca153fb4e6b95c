// A hot-key control.
#pragma once

#include <commctrl.h>

#include "framework/Wnd.h"

class CHotKeyCtrl : public CWnd {};
