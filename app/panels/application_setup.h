// The application-wide settings every window of ours and every views test starts from.
#pragma once

namespace zx::views {

// The names, the version and the desktop file; the "C" numeric locale (the application
// object adopts the environment's); the Fusion style, so every stock widget follows the
// application palette. Needs the application object.
void prepareApplication();

}  // namespace zx::views
