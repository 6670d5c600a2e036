// The program entry: application set-up, the main window, the message loop.
#pragma once

class TForm1;

// Returns 0 in every case, as the original entry does.
int RunProgram(int argc, char** argv);

// Constructs the main window, then runs its FormCreate; an exception inside
// FormCreate is shown and skips the rest of it, as the platform's form
// creation does.
TForm1* CreateMainWindow();
