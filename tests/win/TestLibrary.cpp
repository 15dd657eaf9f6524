// A library of our own for the library-loading tests: Wine would hand out its built-in
// copy of any system library whatever path is asked for.
extern "C" __declspec(dllexport) int vesk_test_answer() { return 42; }
