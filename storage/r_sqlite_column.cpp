// TLiteColumn: one column of a table cursor, its value read lazily from the cursor's current
// statement and cached in the form of its generic type (text fs, integer fi, real fd, blob fmem).
// Text form: fs holds the text exactly as stored or as set; quotes are never doubled or undone,
// so a text is read, copied and written back as it stands.
#include "storage/r_sqlite.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/numbers.h"
#include "storage/storage_text.h"

bool TLiteColumn::readValid() {
  valid = lr && lr->db && lr->stmt && lr->db->getvalid(lr->stmt, startIndex);
  return valid;
}

bool TLiteColumn::getNull() {
  if (!used) readValid();
  if (!valid) used = false;
  return !valid;
}

int32_t TLiteColumn::geti() {
  if (!used) {
    fi = readValid() ? lr->db->getint(lr->stmt, startIndex) : 0;
    used = true;
  }
  return fi;
}

double TLiteColumn::getd() {
  if (!used) {
    fd = 0;
    switch (genericDataType(ftType)) {
      case ftString: fd = storage_text::strToDouble(gets()); break;
      case ftInteger: fd = geti(); break;
      case ftDouble: fd = readValid() ? lr->db->getdouble(lr->stmt, startIndex) : 0; break;
      default: break;
    }
    used = true;
  }
  return fd;
}

std::string TLiteColumn::gets() {
  const int g = genericDataType(ftType);
  if (!used) {
    fs.clear();
    switch (g) {
      case ftString:
        if (readValid()) fs = lr->db->getstr(lr->stmt, startIndex);
        used = true;
        break;
      case ftInteger: geti(); break;
      case ftDouble: getd(); break;
      default: getmem(); break;
    }
  }
  if (g == ftInteger) fs = std::to_string(fi);
  else if (g == ftDouble) fs = storage_text::doubleToString(fd, decplaces > 0 ? decplaces : 6);
  else if (g == ftBlob) fs = valid ? "xxxx" : "";
  return fs;
}

const Tbytes* TLiteColumn::getmem() {
  if (used) return valid ? fmem.get() : nullptr;
  used = true;
  if (!readValid()) return nullptr;
  if (!fmem) fmem = std::make_unique<Tbytes>();
  if (!lr->db->getBlob(lr->stmt, startIndex, *fmem)) {
    valid = false;
    return nullptr;
  }
  return fmem.get();
}

std::pair<const void*, int> TLiteColumn::getdirect() {
  int size = 0;
  const void* pt = nullptr;
  if (lr && lr->db && lr->stmt) lr->db->getBlob(lr->stmt, startIndex, size, pt);
  return {pt, size};
}

void TLiteColumn::readValue() {
  switch (genericDataType(ftType)) {
    case ftInteger: geti(); break;
    case ftDouble: getd(); break;
    case ftBlob: getmem(); break;
    default: gets();
  }
}

bool TLiteColumn::getXY(TpolyXyValues& xy) {
  if (!used) return lr && lr->db && lr->stmt && lr->db->getXY(lr->stmt, startIndex, xy);
  return TsqlBase::MemToXY(fmem.get(), xy);
}

void TLiteColumn::setd(double value) {
  fd = value;
  const int g = genericDataType(ftType);
  if (g == ftString) fs = storage_text::doubleToStr(value);
  else if (g == ftInteger) fi = platform::Round32(value);
  used = true;
}

void TLiteColumn::seti(int32_t value) {
  fi = value;
  const int g = genericDataType(ftType);
  if (g == ftString) fs = std::to_string(value);
  else if (g == ftDouble) fd = value;
  used = true;
}

void TLiteColumn::sets(const std::string& value) {
  switch (genericDataType(ftType)) {
    case ftString: fs = value; break;
    case ftInteger: fi = storage_text::strToInt(value); break;
    case ftDouble: fd = storage_text::strToDouble(value); break;
    default: break;
  }
  used = true;
}

void TLiteColumn::setmem(const Tbytes* value) {
  if (!fmem) fmem = std::make_unique<Tbytes>();
  if (value) *fmem = *value;
  else fmem->clear();
  used = true;
}

void TLiteColumn::setxy(const TpolyXyValues& xy) {
  if (!fmem) fmem = std::make_unique<Tbytes>();
  TsqlBase::XYtoMem(xy, *fmem);
  used = true;
}

void TLiteColumn::assign(TLiteColumn& source) {
  const int g = genericDataType(source.ftType);
  if (!source.used) source.readValue();
  ftType = source.ftType;
  used = true;
  switch (g) {
    case ftString: fs = source.fs; break;
    case ftInteger: fi = source.fi; break;
    case ftDouble: fd = source.fd; break;
    default:
      if (source.fmem) {
        if (!fmem) fmem = std::make_unique<Tbytes>();
        *fmem = *source.fmem;
      } else {
        fmem.reset();
      }
  }
}

// ---------------------------------------------------------------------------------------------
// Blobs and temporary files

bool TLiteColumn::openFile(const std::string& filename) {
  if (genericDataType(ftType) != ftBlob) return false;
  const Tbytes* m = getmem();
  if (!m || m->empty()) return false;
  std::remove(filename.c_str());
  {
    std::ofstream out(filename, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(m->data()), static_cast<std::streamsize>(m->size()));
    if (!out) storageMessage("openFile: e " + filename);
  }
  fmem.reset();
  return true;
}

bool TLiteColumn::openFile(std::string& filename, const std::string& ext) {
  filename = os ? os->tempfilename(ext) : std::string();
  if (filename.empty() || !openFile(filename)) {
    if (!filename.empty()) std::remove(filename.c_str());
    filename.clear();
    return false;
  }
  return true;
}

void TLiteColumn::storeFile(const std::string& filename) {
  if (genericDataType(ftType) != ftBlob) return;
  if (!fmem) fmem = std::make_unique<Tbytes>();
  std::ifstream in(filename, std::ios::binary);
  fmem->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  used = true;
}

void TLiteColumn::closeFile(const std::string& filename) {
  storeFile(filename);
  std::remove(filename.c_str());
}

bool TLiteColumn::openDB(std::unique_ptr<TliteDB>& db) {
  std::string file;
  if (!openFile(file, "db3")) return false;
  db = TliteDB::create();
  db->setfile(file);
  return true;
}

void TLiteColumn::closeDB(std::unique_ptr<TliteDB>& db) {
  if (!db) return;
  db->vacuum();
  std::string file = db->database();
  db.reset();
  if (!file.empty()) closeFile(file);
}

double TLiteColumn::aggregate(const char* func) {
  if (genericDataType(ftType) == ftBlob || !lr || !lr->db) return 0;
  TliteDB& db = *lr->db;
  sqlite3_stmt* s = db.start(std::string("SELECT ") + func + "(" + sqlIdent(name) + ") from " + sqlIdent(lr->fname));
  if (!s) return 0;
  db.setState(sql_reading);
  double out = 0;
  if (db.getnext(s)) {
    switch (genericDataType(ftType)) {
      case ftString: out = storage_text::strToDouble(db.getstr(s, 0)); break;
      case ftInteger: out = static_cast<double>(q->Sqlite3_ColumnInt64(s, 0)); break;
      default: out = db.getdouble(s, 0);
    }
  }
  db.finish(s);
  db.setState(sql_none);
  return out;
}
