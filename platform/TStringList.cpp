// The framework's string list: see TStringList.h.
#include "platform/TStringList.h"

#include <algorithm>
#include <fstream>
#include <numeric>
#include <sstream>

#include "platform/files.h"
#include "platform/text.h"

int TStringList::add(const std::string& s, void* object) {
  lines_.push_back(s);
  objects_.push_back(object);
  changed();
  return count() - 1;
}

void TStringList::insert(int index, const std::string& s, void* object) {
  index = std::clamp(index, 0, count());
  lines_.insert(lines_.begin() + index, s);
  objects_.insert(objects_.begin() + index, object);
  changed();
}

void TStringList::remove(int index) {
  if (index < 0 || index >= count()) return;
  lines_.erase(lines_.begin() + index);
  objects_.erase(objects_.begin() + index);
  changed();
}

void TStringList::clear() {
  if (lines_.empty()) return;
  lines_.clear();
  objects_.clear();
  changed();
}

int TStringList::indexOf(const std::string& s) const {
  for (int i = 0; i < count(); ++i)
    if (platform::sameNoCase(lines_[static_cast<size_t>(i)], s)) return i;
  return -1;
}

std::string TStringList::nameOf(const std::string& line) {
  auto eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

std::string TStringList::valueOf(const std::string& line) {
  auto eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

int TStringList::indexOfName(const std::string& name) const {
  for (int i = 0; i < count(); ++i) {
    const std::string& l = lines_[static_cast<size_t>(i)];
    if (l.find('=') != std::string::npos && platform::sameNoCase(nameOf(l), name)) return i;
  }
  return -1;
}

std::string TStringList::value(const std::string& name) const {
  int i = indexOfName(name);
  return i < 0 ? std::string() : valueOf(lines_[static_cast<size_t>(i)]);
}

void TStringList::setValue(const std::string& name, const std::string& value) {
  int i = indexOfName(name);
  if (i < 0) {
    add(name + "=" + value);
  } else {
    lines_[static_cast<size_t>(i)] = name + "=" + value;
    changed();
  }
}

void TStringList::sort() {
  std::vector<size_t> order(lines_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return platform::compareNoCase(lines_[a], lines_[b]) < 0;
  });
  std::vector<std::string> l;
  std::vector<void*> o;
  for (size_t i : order) {
    l.push_back(std::move(lines_[i]));
    o.push_back(objects_[i]);
  }
  lines_ = std::move(l);
  objects_ = std::move(o);
  changed();
}

std::string TStringList::text() const {
  std::string out;
  for (const auto& l : lines_) out += l + "\r\n";
  return out;
}

void TStringList::setText(const std::string& text) {
  lines_.clear();
  objects_.clear();
  size_t i = 0;
  while (i < text.size()) {
    size_t end = text.find_first_of("\r\n", i);
    if (end == std::string::npos) {
      lines_.push_back(text.substr(i));
      break;
    }
    lines_.push_back(text.substr(i, end - i));
    i = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  objects_.assign(lines_.size(), nullptr);
  changed();
}

bool TStringList::loadFromFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  std::ostringstream s;
  s << f.rdbuf();
  setText(platform::decodeText(s.str()));
  return true;
}

// The run log rewrites itself through here after every line: a flush to disk each time would
// cost more than the line is worth.
bool TStringList::saveToFile(const std::string& path) const {
  return platform::replaceFileContents(path, text(), nullptr, platform::Flush::Later);
}

void TStringList::changed() {
  if (onChange) onChange();
}
