// r_paths: the maker's per-user store "paths.ini" in "Ombrant/configuration/" of the documents
// folder, where programs keep per-program values by group ("kestrova" for this system).
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "core/r_LiteIni.h"

class Tpaths {
 public:
  Tpaths();
  ~Tpaths();  // writes the store when changed
  Tpaths(const Tpaths&) = delete;
  Tpaths& operator=(const Tpaths&) = delete;

  [[nodiscard]] std::string getpath(const std::string& group, const std::string& key) const;
  void setPath(const std::string& group, const std::string& key, const std::string& value);  // kept in memory
  // Writes the store, making its folder when missing; false (logged) when it cannot be written.
  bool updateFile();
  [[nodiscard]] static std::string GroupFromAppcode(uint32_t appcode);
  [[nodiscard]] static std::string LocationOf(int code);
  [[nodiscard]] TiniLite& ini() { return *fini; }

 private:
  std::unique_ptr<TiniLite> fini;
};

// The one store, created on first use; freePaths writes it when changed and frees it.
Tpaths& paths();
void freePaths();
