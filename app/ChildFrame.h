#pragma once

#include "MDIChildWnd.h"

// The child frame of every list window; the framework's defaults unchanged.
class CChildFrame : public CMDIChildWnd {};
