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
//
// Musical time: with a top-level "bpm" (and optionally "offset", the ms of bar 1 beat 1), any
// start, end or key time may be a string "BAR:BEAT" or "BAR:BEAT.FRACTION", counted from 1:1
// with four beats a bar ("2:1.5" at 120 bpm is 2250 ms after the offset). A document with a bpm
// is written with the bpm and offset at the top and its times as bars and beats wherever that
// gives back exactly the same milliseconds ("3:2", "3:2.25"), in ms elsewhere.

#include <string>
#include <vector>

#include "engine/_demorecords.h"
#include "tools/demowriter.h"

namespace quv {

// Throws DemoTextError naming the source, the line and the JSON pointer of the first problem.
DemoDocument ParseDemoText(const std::string& text, const std::string& sourceName);

std::string FormatDemoText(const DemoDocument& document);

// What `quvplayer dump --check` would report for the file the document compiles to, each problem
// located in the text it was parsed from: "SOURCE:LINE: POINTER: TEXT", for example
// "show.json:42: /handles/3/fields/Red/1/time: ... keys out of time order".
std::vector<std::string> CheckDemoText(const DemoDocument& document, const std::string& text,
                                       const std::string& sourceName);

// The same with a "problems" array after the handles: {"offset": N, "problem": TEXT} for each.
std::string FormatDemoText(const DemoDocument& document, const std::vector<DemoProblem>& problems);

} // namespace quv
