// Who this process is: its number and its effective user and group. Every
// master written asks, and each answer is a system call; they are asked of
// the system once and kept. A fork forgets them, so that a child that then
// becomes another user (as a helper dropping its rights does) asks anew.
// This program never changes its user otherwise. POSIX systems only.
#pragma once

#ifndef _WIN32

namespace qmr {

unsigned long ThisProcessId();
unsigned EffectiveUserId();
unsigned EffectiveGroupId();
// How many times this process was forked from its parent (or from a child
// of it) without a new program: what a parent set up and a child must not
// share can tell by it.
unsigned ForksSoFar();

}  // namespace qmr

#endif
