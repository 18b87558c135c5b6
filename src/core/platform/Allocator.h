#pragma once

namespace tavrin::platform {

// Keeps the memory of large buffers (a status reply, the list built from it) in the process
// once freed, up to 32 MiB a buffer, so the next refresh reuses it instead of taking fresh pages
// from the system and faulting each one in. Call once, before the first reply.
void keepLargeBuffers();

} // namespace tavrin::platform
