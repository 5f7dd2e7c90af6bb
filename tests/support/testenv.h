// The pinned world every test runs in: a fresh temporary folder as HOME (documents, data and
// temporary folders below it), the C.UTF-8 locale and a fixed time zone.
#pragma once
#include <string>

namespace testenv {
// The test process's own temporary folder, ending in "/"; removed when the process ends.
const std::string& tempDir();
// The source tree's root, ending in "/".
std::string sourceDir();
// Writes bytes to a file below tempDir() (folders made as needed) and returns its full path.
std::string writeFile(const std::string& relativeName, const std::string& bytes);
std::string readFile(const std::string& path);
}  // namespace testenv
