// Tdbf and TdbfMake. The file: a 32-byte header (version 3, date of change, record count,
// header size, record size), 32-byte field descriptors ended by 0x0D, then fixed-size records
// each led by a deletion flag (blank: live). All numbers little-endian.
// Invariants of an open table: (1) headersize >= 33 and every field lies inside recordsize;
// (2) actualrows = (file size − headersize) div recordsize; (3) the header's count = actualrows.
// An edit of records already in the file goes through a journal beside it (offsets and new
// bytes, written whole by rename), so a killed program leaves the old records or, once the
// journal is replayed at the next opening, the new ones.
#include "storage/r_dbase.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <utility>

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
constexpr int kDriverByte = 29;
constexpr char kJournalMagic[8] = {'K', 'D', 'B', 'F', 'J', 'N', 'L', '1'};

// Language driver bytes and their code pages, as dBase and the GIS programs number them.
struct Tdriver {
  uint8_t id;
  const char* codepage;
};
constexpr Tdriver kDrivers[] = {
    {0x02, "ibm-850"},      {0x01, "ibm-437"},      {0x57, "windows-1252"}, {0x03, "windows-1252"},
    {0x58, "windows-1252"}, {0x59, "windows-1252"}, {0x04, "macintosh"},    {0x08, "ibm-865"},
    {0x09, "ibm-437"},      {0x0A, "ibm-850"},      {0x0B, "ibm-437"},      {0x0D, "ibm-437"},
    {0x0E, "ibm-850"},      {0x0F, "ibm-437"},      {0x10, "ibm-850"},      {0x11, "ibm-437"},
    {0x12, "ibm-850"},      {0x13, "windows-932"},  {0x14, "ibm-850"},      {0x15, "ibm-437"},
    {0x16, "ibm-850"},      {0x17, "ibm-865"},      {0x18, "ibm-437"},      {0x19, "ibm-437"},
    {0x1A, "ibm-850"},      {0x1B, "ibm-437"},      {0x1C, "ibm-863"},      {0x1D, "ibm-850"},
    {0x1F, "ibm-852"},      {0x22, "ibm-852"},      {0x23, "ibm-852"},      {0x24, "ibm-860"},
    {0x25, "ibm-850"},      {0x26, "ibm-866"},      {0x37, "ibm-850"},      {0x40, "ibm-852"},
    {0x4D, "windows-936"},  {0x4E, "windows-949"},  {0x4F, "windows-950"},  {0x50, "windows-874"},
    {0x64, "ibm-852"},      {0x65, "ibm-866"},      {0x66, "ibm-865"},      {0x67, "ibm-861"},
    {0x6A, "ibm-737"},      {0x6B, "ibm-857"},      {0x6C, "ibm-863"},      {0x78, "windows-950"},
    {0x79, "windows-949"},  {0x7A, "windows-936"},  {0x7B, "windows-932"},  {0x7C, "windows-874"},
    {0x7D, "windows-1255"}, {0x7E, "windows-1256"}, {0x86, "ibm-737"},      {0x87, "ibm-852"},
    {0x88, "ibm-857"},      {0x96, "x-mac-cyrillic"}, {0x97, "x-mac-centraleurroman"}, {0x98, "x-mac-greek"},
    {0xC8, "windows-1250"}, {0xC9, "windows-1251"}, {0xCA, "windows-1254"}, {0xCB, "windows-1253"},
    {0xCC, "windows-1257"},
};

uint16_t get16(const unsigned char* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t get32(const unsigned char* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
void put16(unsigned char* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
void put32(unsigned char* p, uint32_t v) {
  p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16); p[3] = uint8_t(v >> 24);
}

// FNV-1a: the journal's check that it is one of ours, whole.
uint64_t journalSum(std::string_view bytes) {
  uint64_t h = 14695981039346656037ULL;
  for (char c : bytes) h = (h ^ uint8_t(c)) * 1099511628211ULL;
  return h;
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

const char* dbfLanguageDriverCodePage(uint8_t driver) {
  for (const Tdriver& d : kDrivers)
    if (d.id == driver) return d.codepage;
  return nullptr;
}

// The first entry of a code page is its own byte (0x57, not 0x03, for Windows-1252).
uint8_t dbfLanguageDriverOf(const std::string& codepage) {
  for (const Tdriver& d : kDrivers)
    if (platform::sameNoCase(codepage, d.codepage)) return d.id;
  return 0;
}

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
  // A logical field is one byte wherever it is read: other readers refuse a wider one.
  int w = dType == 'L' ? 1 : std::clamp(width, 1, 255);
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
      case ftBoolean: dec = 0; width = 1; break;
      case ftDouble: dec = 2; width = 16; break;
      case ftDate: dec = 0; width = 8; break;
      default: break;
    }
    add(c.name, dbfTypeLetter(c.datatype()), width, dec);
  }
}

std::string TdbfMake::headerBytes() const { return headerFor(fields, dbfLanguageDriverOf(codepage)); }

std::string TdbfMake::headerFor(const std::vector<TdbfField>& fields, uint8_t driver) {
  std::string out(size_t(kDescriptor) * (fields.size() + 1) + 1, '\0');
  auto* p = reinterpret_cast<unsigned char*>(out.data());
  platform::DateParts d = platform::decodeDateTime(platform::nowLocal());
  p[0] = 3;
  p[1] = uint8_t(d.year - 1900);
  p[2] = uint8_t(d.month);
  p[3] = uint8_t(d.day);
  p[kDriverByte] = driver;
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
  ffileReadOnly = true;
  fdeclared = false;
  fdriver = 0;
  frestructureBlock.clear();
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
  if (!writable() && validIndex(row)) {
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
    fcacheBlank = false;
    return true;
  }
  fcache.assign(size_t(recordsize), '\0');
  if (!validIndex(row) || !readAt(rowAddress(row), fcache.data(), fcache.size())) return false;
  fcacheRow = row;
  fcacheBlank = fcache.find_first_not_of('\0', 1) == std::string::npos;
  return true;
}

bool Tdbf::flush() {
  if (!fdirty) return true;
  fdirty = false;
  // A record appended and not set yet is filled in place: a kill leaves it new and partly set,
  // as unfinished as it stood. A record that held values changes through the journal.
  const bool ok = fcacheBlank ? writeAt(rowAddress(fcacheRow), fcache.data(), fcache.size())
                              : writeTogether({{rowAddress(fcacheRow), fcache}});
  if (!ok) return fail("cannot write record " + std::to_string(fcacheRow) + ": " + platform::lastErrorText());
  fcacheBlank = false;
  return true;
}

namespace {
bool stopAfterJournal = false;
}

void Tdbf::stopAfterJournalForTesting() { stopAfterJournal = true; }

bool Tdbf::writeTogether(const std::vector<Tpatch>& patches, int64_t newSize) {
  if (!writable()) return false;
  // The journal: magic, new size (-1 keeps it), patch count, each patch's address, length and
  // bytes, then a check sum of all before it.
  std::string j(kJournalMagic, sizeof kJournalMagic);
  auto put = [&](uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) j += char((v >> (8 * i)) & 0xFF);
  };
  put(uint64_t(newSize), 8);
  put(patches.size(), 4);
  for (const Tpatch& p : patches) {
    put(uint64_t(p.address), 8);
    put(p.bytes.size(), 4);
    j += p.bytes;
  }
  put(journalSum(j), 8);
  const std::string name = journalName(fname);
  std::string why;
  if (!platform::replaceFileContents(name, j, &why)) return fail("cannot write the journal: " + why);
  if (std::exchange(stopAfterJournal, false)) return fail("stopped after the journal (a test)");
  bool ok = true;
  for (const Tpatch& p : patches) ok = ok && writeAt(p.address, p.bytes.data(), p.bytes.size());
  if (ok && newSize >= 0) ok = ftruncate(ffd, off_t(newSize)) == 0;
  // The journal goes only once the table holds the edit; otherwise the next opening finishes it.
  if (!ok || fdatasync(ffd) != 0) return fail("cannot write the table: " + platform::lastErrorText());
  platform::removeFile(name);
  return true;
}

bool Tdbf::replayJournal(const std::string& table, std::string& why) {
  const std::string name = journalName(table);
  std::string j;
  if (!platform::isFile(name) || !platform::readWholeFile(name, j)) return true;
  auto get = [&](size_t at, int bytes) {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | uint8_t(j[at + size_t(i)]);
    return v;
  };
  std::vector<Tpatch> patches;
  int64_t newSize = -1;
  bool sound = j.size() >= sizeof kJournalMagic + 20 && std::memcmp(j.data(), kJournalMagic, sizeof kJournalMagic) == 0 &&
               get(j.size() - 8, 8) == journalSum(std::string_view(j).substr(0, j.size() - 8));
  if (sound) {
    size_t at = sizeof kJournalMagic;
    newSize = int64_t(get(at, 8));
    const uint64_t n = get(at + 8, 4);
    at += 12;
    for (uint64_t i = 0; sound && i < n; ++i) {
      sound = at + 12 <= j.size() - 8;
      if (!sound) break;
      const uint64_t address = get(at, 8), length = get(at + 8, 4);
      at += 12;
      sound = length <= j.size() - 8 - at && address < (uint64_t(1) << 62);
      if (sound) patches.push_back({int64_t(address), j.substr(at, size_t(length))});
      at += size_t(length);
    }
    sound = sound && at == j.size() - 8;
  }
  if (!sound) {
    // Renamed into place whole, a journal is never cut; this one is no journal of ours.
    why = "the journal beside the table is damaged and was not applied";
    platform::removeFile(name);
    return false;
  }
  const int fd = ::open(table.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    why = "an edit left in the journal cannot be finished: the table cannot be written";
    return false;
  }
  bool ok = true;
  for (const Tpatch& p : patches)
    ok = ok && pwrite(fd, p.bytes.data(), p.bytes.size(), off_t(p.address)) == ssize_t(p.bytes.size());
  if (ok && newSize >= 0) ok = ftruncate(fd, off_t(newSize)) == 0;
  ok = ok && fdatasync(fd) == 0;
  ::close(fd);
  if (!ok) {
    why = "an edit left in the journal cannot be finished: " + platform::lastErrorText();
    return false;
  }
  platform::removeFile(name);
  return true;
}

bool Tdbf::writeField(int col, int row, const std::string& bytes) {
  if (!writable() || !loadRow(row)) return false;
  fcache.replace(size_t(position[size_t(col)]), bytes.size(), bytes);
  fdirty = true;
  return true;
}

bool Tdbf::readAt(int64_t address, void* data, size_t size) const {
  if (ffd < 0 || address < 0) return false;
  return pread(ffd, data, size, off_t(address)) == ssize_t(size);
}

bool Tdbf::writeAt(int64_t address, const void* data, size_t size) {
  if (!writable() || address < 0) return false;
  fblockRows = 0;  // rows read ahead may be stale now
  return pwrite(ffd, data, size, off_t(address)) == ssize_t(size);
}

void Tdbf::setfname(const std::string& value) {
  TprocScope proc(*this, "setfname");
  fname = value;
  close();
  if (value.empty()) return;
  struct stat st;
  if (stat(value.c_str(), &st) != 0) return;
  // No write permission for anyone counts as read-only even for root, who could write anyway.
  const bool fileRO = (st.st_mode & 0222) == 0 || access(value.c_str(), W_OK) != 0;
  // An edit a killed program left half written is finished before anything is read, also by
  // a reader that writes nothing else.
  if (std::string why; !fileRO && !replayJournal(value, why)) fail(why);
  else if (fileRO && platform::isFile(journalName(value))) fail("an edit left in the journal cannot be finished: the table cannot be written");
  if (stat(value.c_str(), &st) != 0 || st.st_size == 0) return;
  bool ro = readonly || fileRO;
  ffd = ::open(value.c_str(), (ro ? O_RDONLY : O_RDWR) | O_CLOEXEC);
  if (ffd < 0 && !ro) {
    ro = true;
    ffd = ::open(value.c_str(), O_RDONLY | O_CLOEXEC);
  }
  if (ffd < 0) {
    fail("cannot open: " + platform::lastErrorText());
    return;
  }
  // A table that cannot be written answers false to edits instead of going to a copy; the
  // caller's `readonly` stays as the caller set it.
  ffileReadOnly = ro;
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
    // Readable, but a rewrite could not name the field again: said now, not at the first edit.
    if (frestructureBlock.empty() && (c->name.empty() || c->name.find(',') != std::string::npos)) {
      frestructureBlock = "field " + std::to_string(columns->count()) + (c->name.empty() ? " has no name" : " has a comma in its name \"" + c->name + "\"") +
                          ": the table can be read and its values edited, but its columns cannot be changed";
      log("Tdbf " + fname + ": " + frestructureBlock);
    }
    c->decplaces = d[17];
    c->dbfwidth = width;
    c->width = 8 * width;
    position.push_back(pos);
    pos += width;
  }
  fdriver = h[kDriverByte];
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
  if (!writable()) return -1;
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

std::string Tdbf::countBytes(int rows) {
  std::string c(4, '\0');
  put32(reinterpret_cast<unsigned char*>(c.data()), uint32_t(rows));
  return c;
}

// The records from the row on move one place later, a blank record (or a copy of the row)
// before them, and the count grows: all through the journal.
bool Tdbf::insertRow(int row) { return insertRecord(row, false); }
bool Tdbf::insertRowAsCopy(int row) { return insertRecord(row, true); }

bool Tdbf::insertRecord(int row, bool asCopy) {
  if (!writable() || !validIndex(row)) return false;
  if (!flush()) return false;
  forget();
  int64_t at = rowAddress(row), end = rowAddress(actualrows);
  std::string tail(size_t(end - at), '\0');
  if (!readAt(at, tail.data(), tail.size())) return false;
  std::string gap = asCopy ? tail.substr(0, size_t(recordsize)) : std::string(size_t(recordsize), '\0');
  if (!asCopy) gap[0] = ' ';
  if (!writeTogether({{at, gap + tail}, {4, countBytes(actualrows + 1)}})) return false;
  ++actualrows;
  fnumOfRecords = actualrows;
  fpos = at;
  return true;
}

bool Tdbf::deleteRow(int row) {
  if (!writable() || !validIndex(row)) return false;
  if (!flush()) return false;
  forget();
  int64_t at = rowAddress(row), end = getfilesize();
  std::string tail(size_t(std::max<int64_t>(0, end - at - recordsize)), '\0');
  if (!readAt(at + recordsize, tail.data(), tail.size())) return false;
  std::vector<Tpatch> patches = {{4, countBytes(actualrows - 1)}};
  if (!tail.empty()) patches.push_back({at, tail});
  if (!writeTogether(patches, end - recordsize)) return false;
  --actualrows;
  fnumOfRecords = actualrows;
  fpos = at;
  return true;
}

bool Tdbf::Swaprows(int a, int b) {
  if (!writable() || !validIndex(a) || !validIndex(b)) return false;
  if (a == b) return true;
  std::string ra = record(a), rb = record(b);
  if (!flush()) return false;
  forget();
  return writeTogether({{rowAddress(a), rb}, {rowAddress(b), ra}});
}

std::string Tdbf::encodeText(const std::string& utf8, int col) const {
  return platform::toCodePage(utf8, ColumnType(col) == ftString ? textCodePage() : kANSI);
}

const char* Tdbf::textCodePage() const {
  if (!codepage.empty()) return codepage.c_str();
  if (supressOEM) return kANSI;
  if (const char* named = dbfLanguageDriverCodePage(fdriver)) return named;
  return os ? kOEM : kANSI;
}

// The first text written names its code page in the header, so other readers decode it alike.
void Tdbf::declareCodePage() {
  if (fdeclared) return;
  fdeclared = true;
  const uint8_t driver = dbfLanguageDriverOf(textCodePage());
  if (driver == 0 || driver == fdriver) return;
  if (writeAt(kDriverByte, &driver, 1)) fdriver = driver;
}

bool Tdbf::setStringValue(int col, int row, const std::string& value) {
  if (!writable() || !validCol(col) || !validIndex(row)) return false;
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
  if (type == ftString && !value.empty()) declareCodePage();
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
  if (!writable() || !validCol(col) || !validIndex(row)) return false;
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

int Tdbf::dataEnd() const { return position.empty() ? 1 : position.back() + ColumnWidth(getcols() - 1); }

namespace {
// The definition of a new or amended column by its data type; the name as the writer stores it.
TdbfField definitionFor(int dType, int width, int dplaces, const std::string& name) {
  const std::string n = fieldName(name, false);
  switch (dType) {
    case ftSmallint: case ftInteger: case ftWord: return {n, 12, 'N', 0};
    case ftBoolean: return {n, 1, 'L', 0};
    case ftDouble: {
      const int dec = std::clamp(dplaces, 0, 15);
      return {n, dec + 12, 'N', dec};
    }
    case ftDate: return {n, 8, 'D', 0};
    default: return {n, std::clamp(width, 1, 255), 'C', 0};
  }
}

// The text of a field that a new column starts with: its type's zero, or today for a date.
std::string defaultBytes(const TdbfField& f, const std::function<std::string(double, int)>& number) {
  std::string v;
  switch (dataTypeOf(f.type, f.decplaces)) {
    case ftInteger: case ftDouble: v = number(0, f.decplaces); break;
    case ftBoolean: v = "N"; break;
    case ftDate: {
      platform::DateParts d = platform::decodeDateTime(today());
      v = Tdbf::DateAsDBFstring(d.year, d.month, d.day);
      break;
    }
    default: break;
  }
  v = v.substr(0, size_t(f.width));
  // Numbers stand right-aligned, as the setters write them.
  v.insert(f.type == 'N' ? 0 : v.size(), size_t(f.width) - v.size(), ' ');
  return v;
}
}  // namespace

bool Tdbf::rewrite(const std::vector<TdbfField>& fields, const std::function<std::string(int)>& make) {
  if (!writable()) return fail("the table is read-only or not open");
  if (!frestructureBlock.empty()) return fail(frestructureBlock);
  if (!flush()) return false;
  if (fields.empty()) return fail("a table needs at least one field");
  size_t newSize = 1;
  for (auto const& f : fields) {
    if (f.name.empty() || f.name.find(',') != std::string::npos) return fail("a column name may be neither empty nor hold a comma");
    newSize += size_t(f.width);
  }
  if (fields.size() > size_t(kMaxFields) || newSize > 65535) return fail("too many or too wide fields for a dBase table");
  // Each record is built from the fields as read; slack bytes after the last field are no field.
  std::string out = TdbfMake::headerFor(fields, fdriver);
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
  if (!writable()) return false;
  if (col < 0 || col > getcols()) col = getcols();
  if (name.empty() || name.find(',') != std::string::npos) return fail("a column name may be neither empty nor hold a comma");
  TdbfField f = definitionFor(dType, width, dplaces, name);
  // Times and date-times are stored as their dates here, unlike an amended column.
  if (dType == ftTime || dType == ftDateTime) f = {f.name, 8, 'D', 0};
  std::string deflt = dType == ftTime || dType == ftDateTime ? std::string(8, ' ')
                                                             : defaultBytes(f, [&](double v, int d) { return numberText(v, d); });
  auto fields = currentFields();
  fields.insert(fields.begin() + col, f);
  const int at = col < getcols() ? position[size_t(col)] : dataEnd(), end = dataEnd();
  return rewrite(fields, [&](int r) {
    std::string old = record(r);
    return old.substr(0, size_t(at)) + deflt + old.substr(size_t(at), size_t(end - at));
  });
}

bool Tdbf::DeleteColumns(const std::vector<int>& cols) {
  if (!writable()) return false;
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

bool Tdbf::changedFields(int col, int dType, int width, int dplaces, const std::string& name,
                         std::vector<TdbfField>& fields, TdbfField& added) {
  fields = currentFields();
  added = {};
  if (dType == -1) {
    if (col == -1) return true;
    if (!validCol(col)) return false;
    fields.erase(fields.begin() + col);
    return true;
  }
  if (name.empty() || name.find(',') != std::string::npos) return false;
  added = definitionFor(dType, width, dplaces, name);
  if (col >= 10000) {
    if (!validCol(col % 10000)) return false;
    fields[size_t(col % 10000)] = added;
  } else {
    if (col < 0 || col > getcols()) return false;
    fields.insert(fields.begin() + col, added);
  }
  return true;
}

int Tdbf::generateDefinition(const std::string& target, int col, int dType, int width, int dplaces, const std::string& name) {
  TprocScope proc(*this, "generateDefinition");
  std::vector<TdbfField> fields;
  TdbfField added;
  if (!frestructureBlock.empty() || !changedFields(col, dType, width, dplaces, name, fields, added)) {
    fail(!frestructureBlock.empty() ? frestructureBlock : "no such column, or a name that is empty or holds a comma");
    return -1;
  }
  std::string text;
  for (const TdbfField& f : fields)
    text += f.name + "," + std::to_string(f.width) + "," + std::string(1, f.type) + "," + std::to_string(f.decplaces) + "\r\n";
  std::string why;
  if (!platform::replaceFileContents(target, text, &why)) {
    fail("cannot write " + target + ": " + why);
    return -1;
  }
  return added.width;
}

bool Tdbf::AmendColumn(int col, int dType, int width, int dplaces, const std::string& name) {
  if (!writable() || !validCol(col)) return false;
  const std::string n = fieldName(name.empty() ? ColumnName(col) : name, false);
  const TdbfField wanted = definitionFor(dType, width, dplaces, n);
  const char letter = wanted.type;
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
  std::vector<TdbfField> fields;
  TdbfField f;
  if (!changedFields(10000 + col, dType, width, dplaces, n, fields, f)) return fail("the column cannot be amended so");
  char old = dbfTypeLetter(ColumnType(col));
  const int at = position[size_t(col)], oldWidth = ColumnWidth(col), end = dataEnd();
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
    return rec.substr(0, size_t(at)) + v + rec.substr(size_t(at + oldWidth), size_t(end - at - oldWidth));
  });
}

bool Tdbf::appendcolumns(const std::string& definitionFile) {
  if (!writable()) return false;
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
  // The new fields start with their defaults, written with the records in one go.
  std::string added;
  for (size_t i = before; i < fields.size(); ++i)
    added += defaultBytes(fields[i], [&](double v, int d) { return numberText(v, d); });
  const int end = dataEnd();
  return rewrite(fields, [&](int r) { return record(r).substr(0, size_t(end)) + added; });
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
