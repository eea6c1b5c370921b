#pragma once

// Where no session bus runs, keeps the program from starting one for itself. For main(), before
// the application object exists.
void useOnlyARunningSessionBus();
