// The framework's string list: ordered lines, each with an optional borrowed object pointer,
// name=value access, case-insensitive sorting and whole-file text I/O.
// Implemented: [x] lines and objects [x] name=value [x] sort [x] text load/save (UTF-8, CR LF)
//              [ ] change events beyond onChange
#pragma once
#include <functional>
#include <string>
#include <vector>

class TStringList {
 public:
  TStringList() = default;

  [[nodiscard]] int count() const { return static_cast<int>(lines_.size()); }
  [[nodiscard]] bool empty() const { return lines_.empty(); }
  const std::string& operator[](int i) const { return lines_[static_cast<size_t>(i)]; }
  std::string& operator[](int i) { return lines_[static_cast<size_t>(i)]; }
  [[nodiscard]] void* object(int i) const { return objects_[static_cast<size_t>(i)]; }
  void setObject(int i, void* o) { objects_[static_cast<size_t>(i)] = o; }

  int add(const std::string& s, void* object = nullptr);
  void insert(int index, const std::string& s, void* object = nullptr);
  void remove(int index);
  void clear();
  [[nodiscard]] int indexOf(const std::string& s) const;  // case-insensitive, -1 when absent

  // name=value lines: the name is the text before the first "=".
  [[nodiscard]] static std::string nameOf(const std::string& line);
  [[nodiscard]] static std::string valueOf(const std::string& line);
  [[nodiscard]] int indexOfName(const std::string& name) const;  // case-insensitive
  [[nodiscard]] std::string value(const std::string& name) const;
  void setValue(const std::string& name, const std::string& value);

  void sort();  // case-insensitive, stable

  // Lines joined with CR LF after each; setText splits at CR LF, LF or CR.
  [[nodiscard]] std::string text() const;
  void setText(const std::string& text);
  // Load decodes a byte-order mark, else UTF-8, else Windows-1252; false when unreadable.
  bool loadFromFile(const std::string& path);
  // Written as UTF-8 without a byte-order mark through a temporary file that replaces the old
  // one whole (not flushed to disk first); false (the old file untouched) when the file cannot
  // be written.
  bool saveToFile(const std::string& path) const;

  const std::vector<std::string>& lines() const { return lines_; }
  std::function<void()> onChange;

 private:
  void changed();
  std::vector<std::string> lines_;
  std::vector<void*> objects_;
};
