// The one modal dialog.
#pragma once

namespace tessary {

// Runs the main dialog on the real registry and settings file until it closes.
void RunMainDialog();

}  // namespace tessary
