#pragma once
// Carries out `kavrintool --screenshot` with the Qt widgets on the offscreen platform.
#include "app/screenshot_request.h"

namespace kavrin {

// argv0 is the program's name for the toolkit. Returns the exit status: 0 with the picture
// written, 1 when it could not be, 2 for a usage error (said on stderr).
int RunScreenshot(const char* argv0, const ScreenshotRequest& request);

}  // namespace kavrin
