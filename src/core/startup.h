// Start-up, quitting and the end of the program.
#pragma once

// Runs the start-up sequence and then the main event loop. Returns only when
// the platform shuts down (the headless backend's script is drained).
void StartUp();
// The close box: asks, and on Yes terminates a running renderer, saves the
// settings and ends the program. On any other answer it returns.
void QuitProgram();
// Frees what the platform layer holds and ends the process with exit code 0.
[[noreturn]] void EndProgram();
