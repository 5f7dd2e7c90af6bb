// Private to the objects on the error trail (TqyObject, TQYcontrol): what seterr does to the trail.
#pragma once
#include <string>

class TtrailSource;

// The error text as the trail keeps it, after dropping from os's procedure stack the procedures
// that nested inside ob's and never closed; outside any procedure of ob's own (procname empty) it
// names ob's unit and class.
[[nodiscard]] std::string trailError(TtrailSource& ob, const std::string& text, const std::string& procname);
