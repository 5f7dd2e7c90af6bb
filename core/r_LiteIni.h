// TiniLite: a small forgiving ini file in memory. Every line is trimmed; groups and keys are
// compared without letter case; a group without lines is dropped. Files are read in any encoding
// a byte-order mark announces (else UTF-8, else Windows-1252) and written as UTF-8 with CR LF,
// replacing the old file whole or not at all.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/TStringList.h"

class TiniLite {
 public:
  TiniLite() = default;
  explicit TiniLite(const std::string& filename);
  ~TiniLite();  // writes the file when changed
  TiniLite(const TiniLite&) = delete;
  TiniLite& operator=(const TiniLite&) = delete;

  [[nodiscard]] const std::string& filename() const { return fname; }
  [[nodiscard]] const TStringList& sections() const { return flist; }

  // Writes the file when a name was given; a success clears `changed`.
  bool UpdateFile();
  // False (logged, the old file kept) when the file cannot be written.
  bool saveToFile(const std::string& filename);

  [[nodiscard]] std::string readString(const std::string& group, const std::string& key,
                                       const std::string& def) const;
  [[nodiscard]] int32_t readInteger(const std::string& group, const std::string& key, int32_t def) const;
  void writeString(const std::string& group, const std::string& key, const std::string& value);
  void writeInteger(const std::string& group, const std::string& key, int32_t value);
  // Six decimals and a full stop; a stored text that is no number gives the default.
  [[nodiscard]] double readFloatUK(const std::string& group, const std::string& key, double def) const;
  void writeFloatUK(const std::string& group, const std::string& key, double value);
  [[nodiscard]] bool ValueExists(const std::string& group, const std::string& key) const;
  void ReadSectionWithValues(const std::string& section, TStringList& list) const;
  void writeSection(const std::string& group, const TStringList& list);
  void eraseGroup(const std::string& group);
  void eraseAll();
  [[nodiscard]] TStringList* getSection(int index) const;
  [[nodiscard]] TStringList* getSec(const std::string& group) const;

  bool changed = false;

 private:
  int indexOfKey(const TStringList& l, const std::string& key) const;
  TStringList& group(const std::string& name);
  void removeAt(int index);

  std::string fname;
  TStringList flist;  // group names; each entry's object is its line list in `owned`
  std::vector<std::unique_ptr<TStringList>> owned;
};
