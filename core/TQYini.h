// TQYini: a sectioned settings text in memory ([section] lines, then key=value lines), read from
// and written back to an ini file, and the program settings file kept by the core module.
// Files are written as UTF-8 with CR LF and replace the old file whole, or not at all.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TStringList.h"

class TQYini {
 public:
  enum class ReadOnly { No, Yes };
  enum class ClearBlanks { No, Yes };

  TQYini();  // no sections, no file name
  // Reads the file when it exists; with ReadOnly::Yes the name is cleared after reading, so
  // the container is never saved.
  explicit TQYini(const std::string& filename, ReadOnly readOnly = ReadOnly::No);
  // Parses a list's lines, or a text's bytes (byte-order mark, else UTF-8, else Windows-1252).
  explicit TQYini(const TStringList& list);
  static std::unique_ptr<TQYini> fromText(std::string_view bytes);
  // Saves when changed.
  ~TQYini();
  TQYini(const TQYini&) = delete;
  TQYini& operator=(const TQYini&) = delete;

  void loadfromList(const TStringList& a);
  // A section line's name: the line without its first character and its last character, each
  // whole (a last character of several bytes goes whole, so the name stays UTF-8).
  [[nodiscard]] static std::string sectionNameOf(const std::string& line);
  [[nodiscard]] const std::string& filename() const { return fname; }
  void setname(const std::string& name);  // nothing is read
  [[nodiscard]] const std::string& dir() const { return fdir; }
  [[nodiscard]] const std::string& parentDir() const { return fparentDir; }

  // Sections: names in file order; each entry's object is its line list.
  [[nodiscard]] const TStringList& sections() const { return sec; }
  void ReadSections(TStringList& list) const;
  [[nodiscard]] bool sectionExists(const std::string& section) const;
  [[nodiscard]] bool valueExists(const std::string& section, const std::string& key) const;
  [[nodiscard]] int valueCount(const std::string& section) const;
  void insertSection(int index, const std::string& section);
  void EraseSection(int index);
  void EraseSection(const std::string& section);
  void EraseAll();
  void ClearSection(const std::string& section);
  void ReadSectionValues(const std::string& section, TStringList& list);
  void ReadSectionWithValues(const std::string& section, TStringList& list) const;
  void ReadSection(const std::string& section, TStringList& list) const;
  // The section's own line list (not a copy); null when missing. Edits through it mark changes.
  TStringList* getSection(const std::string& section) const;
  TStringList* ReadSection(const std::string& section) const { return getSection(section); }
  TStringList* getSection(int index) const;
  TStringList& getOrCreateSection(const std::string& section);
  void WriteSection(const std::string& section, const TStringList& list);
  void assign(const TQYini& source);

  // Values.
  [[nodiscard]] std::string readString(const std::string& section, const std::string& key,
                                       const std::string& def) const;
  std::string readOrCreateString(const std::string& section, const std::string& key, const std::string& def);
  void writestring(const std::string& section, const std::string& key, const std::string& value,
                   ClearBlanks clearBlanks = ClearBlanks::No);
  void writestring(const std::string& section, const std::string& keyvalue);
  void EraseValue(const std::string& section, const std::string& key);
  [[nodiscard]] int32_t readInteger(const std::string& section, const std::string& key, int32_t def) const;
  int32_t readOrCreateInteger(const std::string& section, const std::string& key, int32_t def);
  void writeInteger(const std::string& section, const std::string& key, int32_t value);
  [[nodiscard]] uint32_t readCardinal(const std::string& section, const std::string& key, uint32_t def) const;
  void writeCardinal(const std::string& section, const std::string& key, uint32_t value);
  [[nodiscard]] static int32_t RGBstr(const std::string& s);
  [[nodiscard]] int32_t readRGB(const std::string& section, const std::string& key, int32_t def) const;
  void writeRGB(const std::string& section, const std::string& key, int32_t value);
  void writeFloat(const std::string& section, const std::string& key, double value);
  void writeFloatUK(const std::string& section, const std::string& key, double value);
  [[nodiscard]] double readFloatUK(const std::string& section, const std::string& key, double def) const;
  [[nodiscard]] double readFloat(const std::string& section, const std::string& key, double def) const;
  uint32_t readBinaryStream(const std::string& section, const std::string& key, std::vector<uint8_t>& mem) const;
  void writeBinaryStream(const std::string& section, const std::string& key, const std::vector<uint8_t>& mem);

  // File names relative to this file's folder: "<root>" and "<root parent>".
  [[nodiscard]] std::string detoken(const std::string& path) const;
  [[nodiscard]] std::string enToken(const std::string& path) const;
  [[nodiscard]] std::string readFilename(const std::string& section, const std::string& key,
                                         const std::string& def) const;
  void writeFilename(const std::string& section, const std::string& key, const std::string& value);
  void writeFilename(const std::string& rootdir, const std::string& section, const std::string& key,
                     const std::string& value);
  [[nodiscard]] std::string wd(const std::string& words) const { return readString("words", words, words); }

  // Saving. A failed save keeps the old file whole, is logged and leaves `changed` set.
  void dochange();
  bool save();
  bool saveAs(const std::string& filename);
  // Why the last save failed (the system's reason, the file not named); empty after a success.
  [[nodiscard]] const std::string& saveError() const { return fsaveError; }
  void saveToList(TStringList& list) const;
  [[nodiscard]] std::string asText() const;

  bool changed = false;
  bool valid = false;  // the file existed, began with "[" and held a section line
  bool autoUpdate = false;
  int32_t decplaces = 8;
  TStringList* sub = nullptr;  // the section last read by ReadSectionValues; not owned

 private:
  class Batch;  // one change notice for one operation
  std::string fsaveError;
  int indexOfSection(const std::string& section) const;
  TStringList& appendSection(const std::string& name);
  void removeSectionAt(int index);
  void clearSections();
  void parseLines(const std::vector<std::string>& lines, const std::string& source);
  void watch();  // every list reports its changes to dochange

  std::string fname, fdir, fparentDir;
  TStringList sec;
  std::vector<std::unique_ptr<TStringList>> owned;  // the line lists `sec` points to
  int batchDepth = 0;
  bool batchChanged = false;
};

// The program settings file: the application folder, the program file's name without its
// extension, and ".ini"; created on first use, saved when changed at shut-down (freeSettings).
TQYini& settings();
void freeSettings();
// Writes "changed=yes" into section "settings" and fires onChangedChanged once per change.
void setChanged();
extern std::function<void(TQYini*)> onChangedChanged;
