#pragma once

// Without a display Qt aborts with a long message and a core dump. Called
// before the application is created: prints one line saying what is missing
// and ends the program with exit code 1 instead.
void ExitUnlessDisplayAvailable();
