// Anchors the test-support library; the fakes themselves are header-only.
#include "ScriptedMessenger.h"
#include "TempWorkDir.h"
