// TdcwFile: see dcw.h.
#include "data/dcw.h"

#include <netcdf.h>

namespace kdata {

TdcwFile::~TdcwFile() {
  if (ncid >= 0) nc_close(ncid);
}

bool TdcwFile::open(const std::string& filename) {
  if (ncid >= 0) nc_close(ncid);
  ncid = -1;
  int id = -1;
  const int rc = nc_open(filename.c_str(), NC_NOWRITE, &id);
  if (rc != NC_NOERR) {
    ferror = filename + ": " + nc_strerror(rc);
    return false;
  }
  ncid = id;
  return true;
}

std::vector<std::string> TdcwFile::codes() const {
  std::vector<std::string> out;
  int nvars = 0;
  if (ncid < 0 || nc_inq_nvars(ncid, &nvars) != NC_NOERR) return out;
  for (int v = 0; v < nvars; ++v) {
    char name[NC_MAX_NAME + 1] = {0};
    if (nc_inq_varname(ncid, v, name) != NC_NOERR) continue;
    const std::string s = name;
    if (s.size() > 4 && s.compare(s.size() - 4, 4, "_lon") == 0) out.push_back(s.substr(0, s.size() - 4));
  }
  return out;
}

bool TdcwFile::rings(const std::string& code, TpolyXyValues& out) const {
  out.clear();
  if (ncid < 0) return false;
  int vlon = -1, vlat = -1;
  if (nc_inq_varid(ncid, (code + "_lon").c_str(), &vlon) != NC_NOERR ||
      nc_inq_varid(ncid, (code + "_lat").c_str(), &vlat) != NC_NOERR)
    return false;
  int dim = -1;
  size_t n = 0;
  if (nc_inq_vardimid(ncid, vlon, &dim) != NC_NOERR || nc_inq_dimlen(ncid, dim, &n) != NC_NOERR) return false;
  std::vector<unsigned short> lon(n), lat(n);
  if (nc_get_var_ushort(ncid, vlon, lon.data()) != NC_NOERR || nc_get_var_ushort(ncid, vlat, lat.data()) != NC_NOERR)
    return false;
  double lonMin = 0, lonScale = 1, latMin = 0, latScale = 1;
  nc_get_att_double(ncid, vlon, "min", &lonMin);
  nc_get_att_double(ncid, vlon, "scale", &lonScale);
  nc_get_att_double(ncid, vlat, "min", &latMin);
  nc_get_att_double(ncid, vlat, "scale", &latScale);
  unsigned short fill = NC_FILL_USHORT;
  nc_get_att_ushort(ncid, vlon, "_FillValue", &fill);
  out.emplace_back();
  for (size_t i = 0; i < n; ++i) {
    if (lon[i] == fill || lat[i] == fill) {
      if (!out.back().empty()) out.emplace_back();
      continue;
    }
    out.back().push_back(xyrec{lonMin + lon[i] / lonScale, latMin + lat[i] / latScale});
  }
  if (out.back().empty()) out.pop_back();
  return true;
}

}  // namespace kdata
