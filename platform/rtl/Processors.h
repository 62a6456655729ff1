#pragma once
// How many processors this process may run on.

namespace orv {

// The processors the process's affinity allows, at least 1: a process pinned to one core has
// its threads take turns, however many cores the machine has.
int UsableProcessors();

}  // namespace orv
