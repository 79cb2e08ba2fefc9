// Launcher routines that belong with the runtime forwarders (runtime.cpp).
#ifndef ZENTA_RUNTIME_H
#define ZENTA_RUNTIME_H

// Brings the host's frame window forward (restoring it when minimised) and ends the process
// with exit code 1; returns at once when the host has no application yet.
void ActivateFrameWindowAndExit();

#endif
