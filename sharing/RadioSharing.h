#pragma once

class ProgramStart;
class RadioConversation;
class RigctlServer;

// The rigctld server shares the radio with the panel: it hears what the conversation hears
// from the radio, and its clients' commands go out through the conversation as the panel's
// buttons' do (a keying is undone when the line closes).
void connectServerToRadio(RigctlServer& server, RadioConversation& conversation);

// Connects the server to the radio of the panel the program opens once a port is chosen.
void shareRadio(ProgramStart& program, RigctlServer& server);
