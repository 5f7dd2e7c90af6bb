// r_paths: see r_paths.h.
#include "core/r_paths.h"

#include "core/r_fileBase.h"

namespace {
std::unique_ptr<Tpaths> fpaths;
}

Tpaths::Tpaths()
    : fini(std::make_unique<TiniLite>(LocationOf(r_fileBase::csidl_personal) + "Ombrant/configuration/paths.ini")) {}

Tpaths::~Tpaths() {
  if (fini && fini->changed) updateFile();
  fini->changed = false;  // a failed write was reported already
}

std::string Tpaths::getpath(const std::string& group, const std::string& key) const {
  return fini->readString(group, key, "");
}

void Tpaths::setPath(const std::string& group, const std::string& key, const std::string& value) {
  fini->writeString(group, key, value);
}

bool Tpaths::updateFile() {
  // The maker's folder may not exist yet on a new machine: a choice kept here must not vanish.
  r_fileBase::MakeDirectory(r_fileBase::ExtractFilePath(fini->filename()));
  return fini->UpdateFile();
}

std::string Tpaths::GroupFromAppcode(uint32_t appcode) {
  return appcode == 80 || appcode == 88 ? "kestrova" : "unknown";
}

std::string Tpaths::LocationOf(int code) { return r_fileBase::LocationOf(code); }

Tpaths& paths() {
  if (!fpaths) fpaths = std::make_unique<Tpaths>();
  return *fpaths;
}

void freePaths() { fpaths.reset(); }
