/* The code of every version fixture library: one function, so that the linker makes a DLL. */
__declspec(dllexport) int FixtureFunction(void) { return 1; }
