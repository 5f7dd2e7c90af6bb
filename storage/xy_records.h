// World points and point lists as the storage layer stores them in point-list blobs: the core's
// shared geometric records.
#pragma once
#include "core/Tutil.h"
