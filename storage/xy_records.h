// World points and point lists as the storage layer stores them in point-list blobs.
// FIXME: the core's shared geometric records replace these when they land.
#pragma once
#include <vector>

struct xyrec {
  double x = 0;
  double y = 0;
};
using Txyvalues = std::vector<xyrec>;
using TpolyXyValues = std::vector<Txyvalues>;
