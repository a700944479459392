#pragma once

// The rigctld-compatible server against Hamlib's own rigctld -m 2002, on the same paced
// virtual TS-440 with the same eight clients each repeating f, m, v and t as fast as the
// answers come, side by side; then the server alone: how soon a client's frequency reaches the
// line, what a client that never reads costs, and a station program beside 64 idle connections.
void benchServers();
