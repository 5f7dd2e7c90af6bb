// The benchmarks' own world: every benchmark program runs with a home, documents, data,
// configuration, cache and temporary folder of its own, and a program folder (where the services
// object keeps its log until told otherwise) of its own, all below one fresh folder that the
// benchmarks' main (bench_main.cpp) makes before any benchmark runs and removes when the program
// ends. Nothing of the user's own settings, log or files is read or written.
#pragma once
#include <string>

namespace benchhome {
// The program's own folder, ending in "/"; made by the benchmarks' main.
const std::string& folder();
// A name below the own folder (no folder is made).
std::string path(const std::string& name);
// A new, empty home below the own folder, with its documents, data, configuration and cache
// folders, made the one that HOME and the XDG folder variables name; ends in "/". For a
// benchmark that wants a home no earlier benchmark of the run has touched.
std::string freshHome();
// Makes the own folder, the first home and the program folder, and points TMPDIR below it; the
// main calls it first.
void setUp();
// Removes the own folder with everything in it.
void tearDown();
}  // namespace benchhome
