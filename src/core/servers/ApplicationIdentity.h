#pragma once

namespace tavrin {

// Names the organisation and application that decide where the settings live; the window and
// the command-line client share one settings file through it.
void setApplicationIdentity();

} // namespace tavrin
