#pragma once

#include "Document.h"

// The document of a list window: it holds no data; the view reads the backend.
class CUserDoc : public CDocument {};
