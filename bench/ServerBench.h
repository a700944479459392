#pragma once

// The rigctld-compatible server against Hamlib's own rigctld -m 2002, on the same paced
// virtual TS-440 with the same eight clients each repeating f, m, v and t as fast as the
// answers come. Prints both side by side.
void benchServers();
