#pragma once

class FormControlTOVRAN;
class ProgramStart;
class RigctlServer;

// The rigctld server follows the panel: it hears what the panel hears from the radio, and its
// clients' commands go out through the panel, which answers for each of them as for its own
// buttons' (a keying is undone when the panel closes).
void connectServerToPanel(RigctlServer& server, FormControlTOVRAN& panel);

// Connects the server to the panel the program opens once a port is chosen.
void shareRadio(ProgramStart& program, RigctlServer& server);
