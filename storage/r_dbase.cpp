// Tdbf and TdbfMake. The file: a 32-byte header (version 3, date of change, record count,
// header size, record size), 32-byte field descriptors ended by 0x0D, then fixed-size records
// each led by a deletion flag (blank: live). All numbers little-endian.
// Invariants of an open table: (1) headersize >= 33 and every field lies inside recordsize;
// (2) actualrows = (file size − headersize) div recordsize; (3) the header's count = actualrows.
#include "storage/r_dbase.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>

#include "core/os_datatypes.h"
#include "core/r_date.h"
#include "core/r_log.h"
#include "platform/files.h"
#include "platform/numbers.h"
#include "platform/text.h"
#include "storage/storage_text.h"

namespace {
constexpr int kDescriptor = 32;
constexpr int kMaxFields = (65535 - 33) / kDescriptor;  // what a 16-bit header size holds
constexpr const char* kOEM = "ibm-850";
constexpr const char* kANSI = "windows-1252";

uint16_t get16(const unsigned char* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t get32(const unsigned char* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
void put16(unsigned char* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
void put32(unsigned char* p, uint32_t v) {
  p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16); p[3] = uint8_t(v >> 24);
}

// Blanks, NULs and control characters off both ends.
std::string trimmed(std::string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && static_cast<unsigned char>(s[a]) <= ' ') ++a;
  while (b > a && static_cast<unsigned char>(s[b - 1]) <= ' ') --b;
  return std::string(s.substr(a, b - a));
}

std::string asciiLower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}
std::string asciiUpper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

// A field name as the writer stores it: first 11 code points, blanks to "_", upper case.
std::string fieldName(const std::string& name, bool allowLowerCase) {
  std::string n = name.substr(0, platform::codePointOffset(name, 11));
  std::replace(n.begin(), n.end(), ' ', '_');
  return allowLowerCase ? n : asciiUpper(n);
}

int dataTypeOf(char letter, int decplaces) {
  switch (letter) {
    case 'D': return ftDate;
    case 'L': return ftBoolean;
    case 'N': return decplaces > 0 ? ftDouble : ftInteger;
    default: return ftString;
  }
}

platform::TDateTime today() {
  platform::DateParts d = platform::decodeDateTime(platform::nowLocal());
  platform::TDateTime t = 0;
  platform::tryEncodeDate(d.year, d.month, d.day, t);
  return t;
}

std::string csvCell(const std::string& v) {
  std::string out;
  storage_text::appendCsvField(out, v);
  return out;
}

bool readLines(const std::string& file, std::vector<std::string>& lines) {
  std::string bytes;
  if (!platform::readWholeFile(file, bytes)) return false;
  std::string text = platform::decodeText(bytes);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return true;
}

std::vector<std::string> splitCommas(const std::string& s) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t end = s.find(',', start);
    out.push_back(s.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return out;
    start = end + 1;
  }
}
}  // namespace

char dbfTypeLetter(int ftType) {
  switch (ftType) {
    case ftString: return 'C';
    case ftBoolean: return 'L';
    case ftDate: case ftTime: case ftDateTime: return 'D';
    case ftMemo: return 'M';
    default: return 'N';
  }
}

// ================================================================ TdbfMake

int TdbfMake::add(const std::string& name, char dType, int width, int decplaces) {
  TprocScope proc(*this, "add");
  if (name.empty() || name.find(',') != std::string::npos) {
    log("** TdbfMake: field name refused (empty or holding a comma): \"" + name + "\"");
    return -1;
  }
  if (int(fields.size()) >= kMaxFields) {
    log("** TdbfMake: too many fields for a dBase header");
    return -1;
  }
  int w = std::clamp(width, 1, 255);
  if (w != width) log("TdbfMake: width " + std::to_string(width) + " of " + name + " clamped to " + std::to_string(w));
  int recordBytes = 1;
  for (auto const& f : fields) recordBytes += f.width;
  if (recordBytes + w > 65535) {
    log("** TdbfMake: the record would be longer than a dBase record size holds");
    return -1;
  }
  fields.push_back({fieldName(name, allowLowerCase), w, dType, std::clamp(decplaces, 0, 255)});
  return int(fields.size()) - 1;
}

int TdbfMake::add(Tcolumn& column) {
  int i = add(column.name, dbfTypeLetter(column.datatype()), column.width, column.decplaces);
  column.tag = i;
  return i;
}

void TdbfMake::add(const Tcolumns& columns) {
  for (int i = 0; i < columns.count(); ++i) {
    const Tcolumn& c = *columns.item(i);
    int dec = c.decplaces, width = c.dbfwidth;
    switch (c.datatype()) {
      case ftString: dec = 0; width = c.customWidth ? c.dbfwidth : 40; break;
      case ftInteger: dec = 0; width = 10; break;
      case ftBoolean: dec = 0; width = 4; break;
      case ftDouble: dec = 2; width = 16; break;
      case ftDate: dec = 0; width = 8; break;
      default: break;
    }
    add(c.name, dbfTypeLetter(c.datatype()), width, dec);
  }
}

std::string TdbfMake::headerBytes() const {
  std::string out(size_t(kDescriptor) * (fields.size() + 1) + 1, '\0');
  auto* p = reinterpret_cast<unsigned char*>(out.data());
  platform::DateParts d = platform::decodeDateTime(platform::nowLocal());
  p[0] = 3;
  p[1] = uint8_t(d.year - 1900);
  p[2] = uint8_t(d.month);
  p[3] = uint8_t(d.day);
  uint32_t rec = 1;
  for (size_t i = 0; i < fields.size(); ++i) {
    unsigned char* f = p + kDescriptor * (i + 1);
    std::string name = platform::toCodePage(fields[i].name, kOEM).substr(0, 11);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    std::memcpy(f, name.data(), name.size());
    f[11] = uint8_t(fields[i].type);
    f[16] = uint8_t(fields[i].width);
    f[17] = uint8_t(fields[i].decplaces);
    rec += uint32_t(fields[i].width);
  }
  p[kDescriptor * (fields.size() + 1)] = 0x0D;
  put16(p + 8, uint32_t(kDescriptor * fields.size() + 33));
  put16(p + 10, rec);
  return out;
}

bool TdbfMake::save(const std::string& target) {
  TprocScope proc(*this, "save");
  log("save " + std::to_string(fields.size()));
  if (fields.empty()) return false;
  reclength = 1;
  for (auto const& f : fields) reclength = uint16_t(reclength + f.width);
  std::string why;
  if (!platform::replaceFileContents(target, headerBytes(), &why)) {
    log("** TdbfMake: cannot write " + target + ": " + why);
    return false;
  }
  return true;
}

// ================================================================ Tdbf: opening and reading

Tdbf::Tdbf() : flist(std::make_unique<TStringList>()), columns(std::make_unique<Tcolumns>()) {}

Tdbf::~Tdbf() { close(); }

bool Tdbf::fail(const std::string& why) {
  seterr(why);
  log("** Tdbf " + fname + ": " + why);
  return false;
}

void Tdbf::close() {
  forget();
  fblockRows = 0;
  if (ffd >= 0) ::close(ffd);
  ffd = -1;
  actualrows = fnumOfRecords = recordsize = headersize = 0;
  position.clear();
  columns->setcount(0);
}

int64_t Tdbf::getfilesize() const {
  struct stat st;
  return ffd >= 0 && fstat(ffd, &st) == 0 ? int64_t(st.st_size) : 0;
}

bool Tdbf::loadRow(int row) {
  if (row == fcacheRow) return true;
  forget();
  if (readonly && validIndex(row)) {
    // Nothing is written to a read-only table, so rows may be read ahead: one system call per
    // block instead of one per row for readers that go front to back.
    if (row < fblockFirst || row >= fblockFirst + fblockRows) {
      constexpr int kBlockBytes = 65536;
      const int rows = std::min(std::max(1, kBlockBytes / recordsize), actualrows - row);
      fblock.resize(size_t(rows) * size_t(recordsize));
      fblockRows = 0;
      if (!readAt(rowAddress(row), fblock.data(), fblock.size())) return false;
      fblockFirst = row;
      fblockRows = rows;
    }
    fcache.assign(fblock, size_t(row - fblockFirst) * size_t(recordsize), size_t(recordsize));
    fcacheRow = row;
    return true;
  }
  fcache.assign(size_t(recordsize), '\0');
  if (!validIndex(row) || !readAt(rowAddress(row), fcache.data(), fcache.size())) return false;
  fcacheRow = row;
  return true;
}

bool Tdbf::flush() {
  if (!fdirty) return true;
  fdirty = false;
  if (!writeAt(rowAddress(fcacheRow), fcache.data(), fcache.size()))
    return fail("cannot write record " + std::to_string(fcacheRow) + ": " + platform::lastErrorText());
  return true;
}

bool Tdbf::writeField(int col, int row, const std::string& bytes) {
  if (readonly || ffd < 0 || !loadRow(row)) return false;
  fcache.replace(size_t(position[size_t(col)]), bytes.size(), bytes);
  fdirty = true;
  return true;
}

bool Tdbf::readAt(int64_t address, void* data, size_t size) const {
  if (ffd < 0 || address < 0) return false;
  return pread(ffd, data, size, off_t(address)) == ssize_t(size);
}

bool Tdbf::writeAt(int64_t address, const void* data, size_t size) {
  if (ffd < 0 || readonly || address < 0) return false;
  return pwrite(ffd, data, size, off_t(address)) == ssize_t(size);
}

void Tdbf::setfname(const std::string& value) {
  TprocScope proc(*this, "setfname");
  fname = value;
  close();
  if (value.empty()) return;
  struct stat st;
  if (stat(value.c_str(), &st) != 0 || st.st_size == 0) return;
  // No write permission for anyone counts as read-only even for root, who could write anyway.
  bool ro = readonly || (st.st_mode & 0222) == 0 || access(value.c_str(), W_OK) != 0;
  ffd = ::open(value.c_str(), (ro ? O_RDONLY : O_RDWR) | O_CLOEXEC);
  if (ffd < 0 && !ro) {
    ro = true;
    ffd = ::open(value.c_str(), O_RDONLY | O_CLOEXEC);
  }
  if (ffd < 0) {
    fail("cannot open: " + platform::lastErrorText());
    return;
  }
  // A table that cannot be written is read-only: edits answer false instead of going to a copy.
  readonly = ro;
  if (!readheader()) close();
}

bool Tdbf::readheader() {
  unsigned char h[32];
  int64_t size = getfilesize();
  if (size < 33 || !readAt(0, h, sizeof h)) return fail("not a dBase table: shorter than its header");
  headersize = get16(h + 8);
  recordsize = get16(h + 10);
  if (headersize < 33) return fail("not a dBase table: header size " + std::to_string(headersize));
  if (recordsize < 1) return fail("not a dBase table: record size 0");
  if (headersize > size) return fail("the header is longer than the file");
  std::string desc(size_t(headersize) - 32, '\0');
  if (!readAt(32, desc.data(), desc.size())) return fail("cannot read the field descriptors");
  int pos = 1;
  // Descriptors run to the 0x0D terminator or the header's end, whichever comes first.
  for (size_t at = 0; at + kDescriptor <= desc.size() && desc[at] != 0x0D; at += kDescriptor) {
    auto* d = reinterpret_cast<const unsigned char*>(desc.data() + at);
    size_t n = 0;
    while (n < 11 && d[n] != 0) ++n;
    int width = d[16];
    if (pos + width > recordsize) return fail("field " + std::to_string(columns->count()) + " lies outside the record");
    Tcolumn* c = columns->Add(dataTypeOf(char(d[11]), d[17]), trimmed(platform::fromCodePage(std::string_view(reinterpret_cast<const char*>(d), n), kOEM)));
    if (!c) return fail("too many fields");
    c->decplaces = d[17];
    c->dbfwidth = width;
    c->width = 8 * width;
    position.push_back(pos);
    pos += width;
  }
  uint32_t count = get32(h + 4);
  actualrows = int(std::min<int64_t>((size - headersize) / recordsize, INT32_MAX));
  fnumOfRecords = int(std::min<int64_t>(count, actualrows));
  fpos = 0;
  return true;
}

int Tdbf::ColumnType(int col) const { return validCol(col) ? columns->item(col)->datatype() : 0; }
int Tdbf::ColumnWidth(int col) const { return validCol(col) ? columns->item(col)->dbfwidth : 0; }
int Tdbf::ColumnDecPlaces(int col) const { return validCol(col) ? columns->item(col)->decplaces : 0; }
std::string Tdbf::ColumnName(int col) const { return validCol(col) ? columns->item(col)->name : std::string(); }
int Tdbf::ColumnFromName(const std::string& name) const { return columns->indexOf(name); }

std::string Tdbf::rawField(int col, int row) {
  if (!validCol(col) || !loadRow(row)) return {};
  return fcache.substr(size_t(position[size_t(col)]), size_t(ColumnWidth(col)));
}

std::string Tdbf::fieldText(int col, int row, bool rowForm) {
  const Tcolumn* c = columns->item(col);
  std::string raw = trimmed(rawField(col, row));
  if (raw.empty()) {
    switch (c->datatype()) {
      case ftInteger: return "0";
      case ftBoolean: return rowForm ? "no" : "N";
      case ftDouble: return os ? os->DoubleToStr(0, c->decplaces) : numberText(0, c->decplaces);
      default: return {};
    }
  }
  switch (c->datatype()) {
    case ftString:
      return platform::fromCodePage(raw, textCodePage());
    case ftBoolean:
      return rowForm ? (raw == "Y" ? "yes" : "no") : raw;
    case ftDate:
      if (raw.size() == 8 && !wantRawDate) {
        int m = std::atoi(raw.substr(4, 2).c_str());
        std::string month = m >= 1 && m <= 12 && dateman ? dateman->MonthName(m - 1) : raw.substr(4, 2);
        return raw.substr(0, 4) + " " + month + " " + raw.substr(6, 2);
      }
      return raw;
    default:
      return platform::fromCodePage(raw, kANSI);
  }
}

std::string Tdbf::getString(int col, int row) {
  validValue = true;
  if (row == kCurrentRow) row = currentRow();
  if (!validCol(col) || !validIndex(row)) return {};
  return fieldText(col, row, false);
}

int32_t Tdbf::getInteger(int col, int row) {
  std::string s = trimmed(getString(col, row));
  int32_t v = 0;
  validValue = !s.empty() && TosNumberText::StrToInt(s, v);
  return validValue ? v : 0;
}

double Tdbf::getDouble(int col, int row) {
  std::string s = trimmed(getString(col, row));
  double v = 0;
  // Our own files hold a full stop; a table from a program that wrote the user's comma reads too.
  validValue = !s.empty() && os && (os->StrToDoubleUK(s, v) || os->StrToDouble(s, v));
  return validValue ? v : 0;
}

bool Tdbf::getBoolean(int col, int row) {
  std::string s = asciiUpper(getString(col, row));
  if (s.empty()) s = "N";
  validValue = std::strchr("FNTY", s[0]) != nullptr;
  return s[0] == 'T' || s[0] == 'Y';
}

platform::TDateTime Tdbf::getDate(int col, int row) {
  bool raw = wantRawDate;
  wantRawDate = true;
  std::string s = getString(col, row);
  wantRawDate = raw;
  return Str2Date(s);
}

platform::TDateTime Tdbf::Str2Date(const std::string& s) {
  validValue = false;
  if (s.size() < 8) return today();
  auto number = [&](size_t from, size_t len) {
    int32_t v = -1;
    return TosNumberText::StrToInt(s.substr(from, len), v) ? v : -1;
  };
  int y = number(0, 4), m = number(4, 2), d = number(6, 7);
  platform::TDateTime t = 0;
  if (y > 0 && y < 3000 && m >= 1 && m <= 12 && d >= 1 && d <= 31 && platform::tryEncodeDate(y, m, d, t)) {
    validValue = true;
    return t;
  }
  return today();
}

TStringList& Tdbf::getRow(int row) {
  flist->clear();
  if (validIndex(row))
    for (int c = 0; c < getcols(); ++c) flist->add(fieldText(c, row, true));
  return *flist;
}

bool Tdbf::gotorow(int row) {
  if (row < 0 || rowAddress(row) >= getfilesize()) return false;
  fpos = rowAddress(row);
  return true;
}

int Tdbf::currentRow() const { return recordsize > 0 ? int((fpos - headersize) / recordsize) : 0; }

int Tdbf::GoToNextRow() {
  if (validIndex(currentRow() + 1)) gotorow(currentRow() + 1);
  return currentRow();
}

bool Tdbf::validRow(int row) { return loadRow(row) && fcache[0] == ' '; }

int Tdbf::findRowFromValue(int col, const std::string& value) {
  std::string v = asciiLower(value);
  for (int r = 0; r < actualrows; ++r)
    if (validRow(r) && asciiLower(getString(col, r)) == v) return r;
  return -1;
}

bool Tdbf::saveAsCSV(const std::string& target, bool includeheader, const std::vector<int>& rows) {
  TprocScope proc(*this, "saveAsCSV");
  std::string out;
  if (includeheader) {
    for (int c = 0; c < getcols(); ++c) out += (c ? "," : "") + csvCell(ColumnName(c));
    out += "\r\n";
  }
  for (int r = 0; r < actualrows; ++r) {
    if (!rows.empty() && std::find(rows.begin(), rows.end(), r) == rows.end()) continue;
    for (int c = 0; c < getcols(); ++c) out += (c ? "," : "") + csvCell(getString(c, r));
    out += "\r\n";
  }
  std::string why;
  return platform::replaceFileContents(target, out, &why) || fail("cannot write " + target + ": " + why);
}

bool Tdbf::listValues(const std::string& IDlist, const std::string& IDcol, const std::string& target,
                      const std::string& columnNames) {
  std::vector<int> cols;
  for (auto const& n : splitCommas(columnNames))
    if (int c = ColumnFromName(trimmed(n)); c >= 0) cols.push_back(c);
  if (cols.empty())
    for (int c = 0; c < getcols(); ++c) cols.push_back(c);
  std::vector<int> rows;
  if (!IDlist.empty()) {
    std::vector<std::string> ids;
    if (!readLines(IDlist, ids)) return fail("cannot read " + IDlist);
    int idcol = ColumnFromName(IDcol);
    for (auto const& id : ids)
      if (int r = findRowFromValue(idcol, id); r >= 0) rows.push_back(r);
  } else {
    for (int r = 0; r < actualrows; ++r)
      if (validRow(r)) rows.push_back(r);
  }
  std::string out;
  for (int r : rows) {
    for (size_t i = 0; i < cols.size(); ++i) out += (i ? "," : "") + csvCell(getString(cols[i], r));
    out += "\r\n";
  }
  std::string why;
  return platform::replaceFileContents(target, out, &why) || fail("cannot write " + target + ": " + why);
}

// ================================================================ rows and values

bool Tdbf::writeCount() {
  unsigned char c[4];
  put32(c, uint32_t(actualrows));
  fnumOfRecords = actualrows;
  return writeAt(4, c, 4);
}

std::string Tdbf::record(int row) { return loadRow(row) ? fcache : std::string(); }

int Tdbf::addrowWithData(const std::string& data) {
  if (ffd < 0 || readonly) return -1;
  forget();
  std::string r = data;
  r.resize(size_t(recordsize), '\0');
  r[0] = ' ';
  // Right after the last whole record, over an end-of-file byte left by another program.
  if (!writeAt(rowAddress(actualrows), r.data(), r.size())) return -1;
  ++actualrows;
  writeCount();
  fpos = rowAddress(actualrows - 1);
  return actualrows - 1;
}

int Tdbf::addrow() { return addrowWithData(std::string()); }

bool Tdbf::insertRow(int row) {
  if (readonly || !validIndex(row)) return false;
  forget();
  int64_t at = rowAddress(row), end = rowAddress(actualrows);
  std::string tail(size_t(end - at), '\0');
  if (!readAt(at, tail.data(), tail.size())) return false;
  std::string gap(size_t(recordsize), '\0');
  gap[0] = ' ';
  if (!writeAt(at, (gap + tail).data(), gap.size() + tail.size())) return false;
  ++actualrows;
  writeCount();
  fpos = at;
  return true;
}

bool Tdbf::insertRowAsCopy(int row) {
  std::string old = record(row);
  if (old.empty() || !insertRow(row)) return false;
  forget();
  return writeAt(rowAddress(row), old.data(), old.size());
}

bool Tdbf::deleteRow(int row) {
  if (readonly || !validIndex(row)) return false;
  forget();
  int64_t at = rowAddress(row), end = getfilesize();
  std::string tail(size_t(std::max<int64_t>(0, end - at - recordsize)), '\0');
  if (!readAt(at + recordsize, tail.data(), tail.size())) return false;
  if (!tail.empty() && !writeAt(at, tail.data(), tail.size())) return false;
  if (ftruncate(ffd, off_t(end - recordsize)) != 0) return fail("cannot shorten the file");
  --actualrows;
  writeCount();
  fpos = at;
  return true;
}

bool Tdbf::Swaprows(int a, int b) {
  if (readonly || !validIndex(a) || !validIndex(b)) return false;
  if (a == b) return true;
  std::string ra = record(a), rb = record(b);
  forget();
  return writeAt(rowAddress(a), rb.data(), rb.size()) && writeAt(rowAddress(b), ra.data(), ra.size());
}

std::string Tdbf::encodeText(const std::string& utf8, int col) const {
  return platform::toCodePage(utf8, ColumnType(col) == ftString ? textCodePage() : kANSI);
}

const char* Tdbf::textCodePage() const {
  if (!codepage.empty()) return codepage.c_str();
  return os && !supressOEM ? kOEM : kANSI;
}

bool Tdbf::setStringValue(int col, int row, const std::string& value) {
  if (readonly || !validCol(col) || !validIndex(row)) return false;
  int type = ColumnType(col);
  if ((type == ftDate || type == ftDateTime) && value.size() > 8) {
    std::vector<std::string> parts;
    if (value[4] == ' ') {
      size_t a = value.find(' ', 5);
      int y = std::atoi(value.substr(0, 4).c_str());
      int m = TdateMan::MonthIndex(value.substr(5, a == std::string::npos ? std::string::npos : a - 5)) + 1;
      int d = a == std::string::npos ? 0 : std::atoi(value.substr(a + 1).c_str());
      return setDateValue(col, row, y, m, d);
    }
    if (value[4] == '-') {
      std::string day = value.substr(0, value.find(' '));
      auto p = [&](size_t from, size_t len) { return std::atoi(day.substr(from, len).c_str()); };
      size_t m1 = day.find('-'), m2 = day.find('-', m1 + 1);
      if (m2 != std::string::npos) return setDateValue(col, row, p(0, m1), p(m1 + 1, m2 - m1 - 1), p(m2 + 1, std::string::npos));
    }
  }
  std::string bytes = value.empty() ? std::string() : encodeText(value, col);
  bytes.resize(size_t(ColumnWidth(col)), ' ');
  return writeField(col, row, bytes);
}

std::string Tdbf::numberText(double value, int decplaces) const {
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", std::clamp(decplaces, 0, 15), value);
  std::string s = buf;
  if (s == "-0" || (s.rfind("-0.", 0) == 0 && s.find_first_not_of("-0.") == std::string::npos)) s.erase(0, 1);
  return s;
}

bool Tdbf::setIntegerValue(int col, int row, int64_t value) {
  return setDoubleValue(col, row, double(value)) && validCol(col);
}

bool Tdbf::setDoubleValue(int col, int row, double value) {
  if (readonly || !validCol(col) || !validIndex(row)) return false;
  int width = ColumnWidth(col);
  std::string s = std::isfinite(value) ? numberText(value, ColumnType(col) == ftDouble || ColumnDecPlaces(col) > 0 ? ColumnDecPlaces(col) : 0)
                                       : std::string();
  // Too wide for the field (or not a number): asterisks, as dBase readers know them.
  bool fits = !s.empty() && int(s.size()) <= width;
  if (!fits) s = std::string(size_t(width), '*');
  s.insert(0, size_t(width) - s.size(), ' ');
  bool ok = writeField(col, row, s);
  if (!fits) fail("the number " + std::to_string(value) + " does not fit its field " + ColumnName(col));
  return ok && fits;
}

bool Tdbf::setBooleanValue(int col, int row, bool value) { return setStringValue(col, row, value ? "Y" : "N"); }

std::string Tdbf::DateAsDBFstring(int year, int month, int day) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d%02d%02d", year, month, day);
  return buf;
}

bool Tdbf::setDateValue(int col, int row, platform::TDateTime value) {
  platform::DateParts d = platform::decodeDateTime(value);
  return setDateValue(col, row, d.year, d.month, d.day);
}

bool Tdbf::setDateValue(int col, int row, int year, int month, int day) {
  return setStringValue(col, row, DateAsDBFstring(year, month, day));
}

bool Tdbf::setdefault(int col, int row) {
  switch (ColumnType(col)) {
    case ftString: return setStringValue(col, row, "");
    case ftInteger: return setIntegerValue(col, row, 0);
    case ftBoolean: return setBooleanValue(col, row, false);
    case ftDouble: return setDoubleValue(col, row, 0);
    case ftDate: return setDateValue(col, row, today());
    default: return false;
  }
}

// ================================================================ column changes

std::vector<TdbfField> Tdbf::currentFields() const {
  std::vector<TdbfField> f;
  for (int c = 0; c < getcols(); ++c) {
    const Tcolumn* col = columns->item(c);
    f.push_back({col->name, col->dbfwidth, dbfTypeLetter(col->datatype()), col->decplaces});
  }
  return f;
}

bool Tdbf::rewrite(const std::vector<TdbfField>& fields, const std::function<std::string(int)>& make) {
  if (ffd < 0 || readonly) return fail("the table is read-only or not open");
  if (!flush()) return false;
  TdbfMake maker;
  maker.allowLowerCase = true;
  for (auto const& f : fields)
    if (maker.add(f.name, f.type, f.width, f.decplaces) < 0) return fail("field " + f.name + " refused");
  if (fields.empty()) return fail("a table needs at least one field");
  std::string out = maker.headerBytes();
  size_t newSize = 1;
  for (auto const& f : fields) newSize += size_t(std::clamp(f.width, 1, 255));
  int rows = 0;
  for (int r = 0; r < actualrows; ++r) {
    std::string rec = make(r);
    if (rec.empty()) continue;
    rec.resize(newSize, ' ');
    out += rec;
    ++rows;
  }
  put32(reinterpret_cast<unsigned char*>(out.data()) + 4, uint32_t(rows));
  std::string why, name = fname;
  if (!platform::replaceFileContents(name, out, &why)) return fail("cannot rewrite the table: " + why);
  setfname(name);
  return isOpen();
}

bool Tdbf::swapColumns(int a, int b) {
  if (!validCol(a) || !validCol(b)) return false;
  if (a == b) return true;
  auto fields = currentFields();
  std::vector<int> order(fields.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = int(i);
  std::swap(order[size_t(a)], order[size_t(b)]);
  std::swap(fields[size_t(a)], fields[size_t(b)]);
  std::vector<int> pos = position;
  return rewrite(fields, [&](int r) {
    std::string old = record(r), rec = old.substr(0, 1);
    for (int c : order) rec += old.substr(size_t(pos[size_t(c)]), size_t(ColumnWidth(c)));
    return rec;
  });
}

bool Tdbf::MoveColumnLeft(int col) {
  if (col <= 0 || col >= getcols()) return false;
  return swapColumns(col, col - 1);
}

bool Tdbf::InsertColumn(int col, int dType, int width, int dplaces, const std::string& name) {
  if (readonly || ffd < 0) return false;
  if (col < 0 || col > getcols()) col = getcols();
  if (dType != ftDouble) dplaces = 0;
  if (name.empty() || name.find(',') != std::string::npos) return fail("a column name may be neither empty nor hold a comma");
  const std::string n = fieldName(name, false);
  TdbfField f{n, width, 'C', 0};
  std::string deflt;
  switch (dType) {
    case ftSmallint: case ftInteger: case ftWord: f = {n, 12, 'N', 0}; deflt = "0"; break;
    case ftBoolean: f = {n, 1, 'L', 0}; deflt = "N"; break;
    case ftDouble: f = {n, dplaces + 12, 'N', dplaces}; deflt = numberText(0, dplaces); break;
    case ftDate: case ftTime: case ftDateTime: {
      f = {n, 8, 'D', 0};
      if (dType == ftDate) {
        platform::DateParts d = platform::decodeDateTime(today());
        deflt = DateAsDBFstring(d.year, d.month, d.day);
      }
      break;
    }
    default: break;
  }
  f.width = std::clamp(f.width, 1, 255);
  deflt.resize(size_t(f.width), ' ');
  auto fields = currentFields();
  fields.insert(fields.begin() + col, f);
  int at = col < getcols() ? position[size_t(col)] : recordsize;
  return rewrite(fields, [&](int r) {
    std::string old = record(r);
    return old.substr(0, size_t(at)) + deflt + old.substr(size_t(at));
  });
}

bool Tdbf::DeleteColumns(const std::vector<int>& cols) {
  if (readonly || ffd < 0) return false;
  std::vector<int> keep;
  for (int c = 0; c < getcols(); ++c)
    if (std::find(cols.begin(), cols.end(), c) == cols.end()) keep.push_back(c);
  if (keep.size() == size_t(getcols())) return true;
  auto all = currentFields();
  std::vector<TdbfField> fields;
  for (int c : keep) fields.push_back(all[size_t(c)]);
  std::vector<int> pos = position;
  // The kept fields' bytes are copied as they are: no trip through text forms.
  return rewrite(fields, [&](int r) {
    std::string old = record(r), rec = old.substr(0, 1);
    for (int c : keep) rec += old.substr(size_t(pos[size_t(c)]), size_t(ColumnWidth(c)));
    return rec;
  });
}

bool Tdbf::DeleteColumn(int col) {
  if (!validCol(col)) return false;
  return DeleteColumns({col});
}

bool Tdbf::renameColumn(int col, const std::string& newname) {
  if (!validCol(col) || newname.empty() || newname.find(',') != std::string::npos) return false;
  std::string n = fieldName(newname, false);
  std::string bytes = platform::toCodePage(n, kOEM).substr(0, 11);
  bytes.resize(11, '\0');
  columns->item(col)->name = n;
  return writeAt(32 + int64_t(col) * kDescriptor, bytes.data(), bytes.size());
}

bool Tdbf::AmendColumn(int col, int dType, int width, int dplaces, const std::string& name) {
  if (readonly || ffd < 0 || !validCol(col)) return false;
  std::string n = fieldName(name.empty() ? ColumnName(col) : name, false);
  char letter = dType == ftString ? 'C' : dType == ftBoolean ? 'L' : dType == ftDate ? 'D' : 'N';
  if (width == ColumnWidth(col)) {
    unsigned char d[kDescriptor];
    if (!readAt(32 + int64_t(col) * kDescriptor, d, sizeof d)) return false;
    std::string bytes = platform::toCodePage(n, kOEM).substr(0, 11);
    std::memset(d, 0, 11);
    std::memcpy(d, bytes.data(), bytes.size());
    d[11] = uint8_t(letter);
    d[16] = uint8_t(width);
    d[17] = uint8_t(std::clamp(dplaces, 0, 255));
    if (!writeAt(32 + int64_t(col) * kDescriptor, d, sizeof d)) return false;
    Tcolumn* c = columns->item(col);
    c->name = n;
    c->settype(dataTypeOf(letter, dplaces));
    c->decplaces = dplaces;
    return true;
  }
  TdbfField f{n, std::clamp(width, 1, 255), letter, 0};
  if (letter == 'L') f.width = 1;
  if (letter == 'N') {
    f.decplaces = dType == ftDouble ? dplaces : 0;
    f.width = dType == ftDouble ? dplaces + 12 : 12;
  }
  if (letter == 'D') f.width = 8;
  char old = dbfTypeLetter(ColumnType(col));
  auto fields = currentFields();
  fields[size_t(col)] = f;
  int at = position[size_t(col)], oldWidth = ColumnWidth(col);
  return rewrite(fields, [&](int r) {
    std::string rec = record(r);
    std::string text = rec.substr(size_t(at), size_t(oldWidth));
    std::string t = trimmed(text), v = text;
    double num = 0;
    auto readNumber = [&] { return os && os->StrToDoubleUK(t, num) ? num : 0.0; };
    if (letter == 'C' && old == 'L') v = t == "Y" ? "Yes" : "No";
    else if (letter == 'C') v = trimmed(text);
    else if (letter == 'L' && old == 'C') v = !t.empty() && (t[0] == 'Y' || t[0] == 'y') ? "Y" : "N";
    else if (letter == 'L' && old == 'N') v = t.empty() || readNumber() == 0 ? "N" : "Y";
    else if (letter == 'N' && old == 'L') v = numberText(t == "Y" ? 1 : 0, f.decplaces);
    else if (letter == 'N' && (old == 'C' || old == 'N')) v = numberText(readNumber(), f.decplaces);
    if (int(v.size()) > f.width && letter == 'N') v = std::string(size_t(f.width), '*');
    v = v.substr(0, size_t(f.width));
    v.insert(letter == 'N' ? 0 : v.size(), size_t(f.width) - v.size(), ' ');
    return rec.substr(0, size_t(at)) + v + rec.substr(size_t(at + oldWidth));
  });
}

bool Tdbf::appendcolumns(const std::string& definitionFile) {
  if (readonly || ffd < 0) return false;
  std::vector<std::string> lines;
  if (!readLines(definitionFile, lines)) return fail("cannot read " + definitionFile);
  auto fields = currentFields();
  size_t before = fields.size();
  for (auto const& l : lines) {
    auto v = splitCommas(l);
    if (v.size() < 4 || v[0].empty()) continue;
    bool exists = false;
    for (auto const& f : fields) exists = exists || f.name == v[0];
    if (exists) continue;
    fields.push_back({v[0], std::clamp(std::atoi(v[1].c_str()), 1, 255), v[2].empty() ? 'C' : v[2][0],
                      std::clamp(std::atoi(v[3].c_str()), 0, 255)});
  }
  if (fields.size() == before) return true;
  if (!rewrite(fields, [&](int r) { return record(r); })) return false;
  // New fields were padded with blanks; give them their defaults.
  for (int r = 0; r < actualrows; ++r)
    for (int c = int(before); c < getcols(); ++c) setdefault(c, r);
  return true;
}

bool Tdbf::makeExtractFromRowNumbers(const std::string& target, const std::vector<int>& rows) {
  if (ffd < 0) return fail("no table open");
  if (!flush()) return false;
  std::string out(size_t(headersize), '\0');
  if (!readAt(0, out.data(), out.size())) return fail("cannot read the header");
  uint32_t n = 0;
  for (int r : rows) {
    std::string rec = record(r);
    if (rec.empty()) continue;  // a row outside the table is left out
    out += rec;
    ++n;
  }
  put32(reinterpret_cast<unsigned char*>(out.data()) + 4, n);
  std::string why;
  return platform::replaceFileContents(target, out, &why) || fail("cannot write " + target + ": " + why);
}

bool Tdbf::makeExtract(const std::string& target, const TStringList& IDlist, int idcol) {
  if (IDlist.empty()) return false;
  std::vector<int> rows;
  for (int i = 0; i < IDlist.count(); ++i)
    if (int r = findRowFromValue(idcol, IDlist[i]); r >= 0) rows.push_back(r);
  return makeExtractFromRowNumbers(target, rows);
}

bool Tdbf::makeExtract(const std::string& target, const std::string& IDlistFile, int idcol) {
  std::vector<std::string> lines;
  if (!readLines(IDlistFile, lines)) return fail("cannot read " + IDlistFile);
  TStringList l;
  for (auto const& s : lines) l.add(s);
  return makeExtract(target, l, idcol);
}

bool Tdbf::updateData(const std::string& IDList, const std::string& columnNames, int idcol) {
  std::vector<std::string> lines;
  if (!readLines(IDList, lines)) return fail("cannot read " + IDList);
  std::vector<int> cols;
  for (auto const& n : splitCommas(columnNames))
    if (int c = ColumnFromName(trimmed(n)); c >= 0) cols.push_back(c);
  bool ok = true;
  for (auto const& l : lines) {
    auto v = splitCommas(l);
    int r = findRowFromValue(idcol, v[0]);
    if (r < 0) continue;
    for (size_t i = 0; i < cols.size() && i + 1 < v.size(); ++i) ok = setStringValue(cols[i], r, v[i + 1]) && ok;
  }
  return ok;
}

bool Tdbf::deleteData(const std::string& IDList, int idcol) {
  std::vector<std::string> lines;
  if (!readLines(IDList, lines)) return fail("cannot read " + IDList);
  for (auto const& l : lines)
    if (int r = findRowFromValue(idcol, l); r >= 0) deleteRow(r);
  return true;
}
