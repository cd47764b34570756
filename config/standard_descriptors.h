#pragma once
// Standard input, output and error that the parent left closed. The next file opened would
// take the free number, and every later printf would land in it: a data file, a lock file,
// the display connection. Both programs open what is missing on the null device before they
// open anything else.
namespace kavrin {

// POSIX: descriptors 0-2 that are closed are opened on /dev/null. Windows: a C runtime
// stream bound to no handle (a GUI process has no console) is bound to NUL. False when the
// null device cannot be opened (then nothing may be opened safely).
bool OpenClosedStandardDescriptors();

}  // namespace kavrin
