// The translation hook of the services object: every word shown to the user passes wd(group,
// term). A host may attach onLingua, or a language list (key=value lines, group.term keys,
// double quotes kept as "~") may be read from a file; with neither, wd gives the term back.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "platform/TStringList.h"

class TosLingua {
 public:
  virtual ~TosLingua();
  [[nodiscard]] std::string wd(std::string const& group, std::string const& term);
  [[nodiscard]] std::string wd(std::string const& term) { return wd("", term); }
  // A fresh list, filled from the file when it exists; written back sorted by saveLanguage.
  void setLanguage(std::string const& filename);
  // Writes the language list sorted to its file (the services object does it when freed).
  bool saveLanguage();
  // Whether the user's country is the United Kingdom.
  [[nodiscard]] static bool isUK();

  std::unique_ptr<TStringList> flingua;
  std::string flinguafile;
  std::function<void(TosLingua*)> onLingua;
  std::string linguaGroup, linguaTerm;
};
