#pragma once

class QString;

// Where the program's controls are, for tests that drive it as a person does (on a real X
// server, with real input events): with ZELVO_CONTROL_MAP naming a file, the program
// writes into it, several times a second, every visible control of its windows with its
// object name, accessible name, rectangle on the screen, state and text, and the visible
// rows of its lists. Nothing is written without the variable.
void startControlMapFromEnvironment();
