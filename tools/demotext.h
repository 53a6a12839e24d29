#pragma once
// The readable text form of a demo, JSON that names effect types and fields; the registry
// (InitialiseModules) supplies the field order that turns names into positions and back.
//
//   {"handles": [
//     {"type": "OpenGL Clear", "label": "black", "start": 0.0, "end": 60000.0,
//      "fields": {"Red": [{"time": 0.0, "value": 0.0, "kind": "LINEAR", "steps": 0},
//                         [1000, 1, "CONST"]]}}]}
//
// Keys are objects (time, value, kind, steps) or arrays [time, value, kind?, steps?]; kind is a
// name ("CONST", "LINEAR", "BEZIER CUSP", "BEZIER SMOOTH", "BEZIER SYMMETRICAL") or a byte, and
// defaults to "LINEAR"; steps defaults to 0. Non-finite numbers are the strings "NaN",
// "Infinity" and "-Infinity". A type with several fields of one name ("-" twice) addresses the
// later ones as "-#2", "-#3". Comments (// and /* */) are allowed. Text is UTF-8; the file keeps
// Windows-1252 bytes. A top-level "problems" array, as `quvplayer dump --json` writes it, is
// passed over.

#include <string>
#include <vector>

#include "engine/_demorecords.h"
#include "tools/demowriter.h"

namespace quv {

// Throws DemoTextError naming the source, the line and the JSON pointer of the first problem.
DemoDocument ParseDemoText(const std::string& text, const std::string& sourceName);

std::string FormatDemoText(const DemoDocument& document);

// The same with a "problems" array after the handles: {"offset": N, "problem": TEXT} for each.
std::string FormatDemoText(const DemoDocument& document, const std::vector<DemoProblem>& problems);

} // namespace quv
