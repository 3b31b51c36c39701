#pragma once
// The helper's hold on its rights: drop them all once the capture is open,
// and never outlive the program that started it.
#include <sys/types.h>

#include <string>

namespace fendrix_capture {

// Makes the process undumpable: no process of the same user may then trace
// it, read its memory or take its descriptors (pidfd_getfd). The kernel does
// that by itself on exec only when the file's capability is new to the
// process: started by a parent that holds cap_net_raw already, the helper
// would stay dumpable with its capture socket open. Empty when it held.
std::string makeUndumpable();

// Clears the ambient, inheritable, permitted and effective capability sets
// and sets no-new-privileges, then reads the sets back and checks that the
// process is still undumpable. Empty when all of that held; otherwise what
// failed.
std::string dropAllCapabilities();

// Asks for SIGTERM when the parent goes away and answers whether `parent`
// (the parent seen at start) is still the parent: the request is made after
// exec, since exec of a program with file capabilities clears it.
bool tieToParent(pid_t parent);

}  // namespace fendrix_capture
