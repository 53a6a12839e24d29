#pragma once
// Where the commands get their demo and music: the fixed names in the demo folder, or the files
// --demo and --music name. A demo file is either compiled or quvtool's text form; the text form
// is told by its content and compiled in memory with quvtool's compiler, so its errors carry the
// line and the JSON pointer.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/musicaltime.h"

namespace quv {

inline constexpr const char* DefaultDemoFile = "demodata.quv";
inline constexpr const char* DefaultMusicFile = "plomarind.mp3";

// A demo as read: the compiled bytes, and for the text form its tempo.
struct DemoSource {
    std::vector<uint8_t> bytes;
    bool text = false;  // compiled from the text form
    MusicalTempo tempo; // the text form's "bpm" and "offset"; bpm 0 when it has none
};

// True when the bytes are the text form: after an optional UTF-8 byte order mark and white
// space, a '{' or a comment. A compiled demo starts with a 0x0100 record tag, a zero byte.
bool IsDemoText(std::span<const uint8_t> bytes);

// Reads the file at path (name is what messages call it) and compiles it when it is the text
// form. Throws DemoFileError when it cannot be read and DemoTextError when the text does not
// compile. Compiled bytes are passed on unchecked.
DemoSource ReadDemoSource(const std::string& path, const std::string& name);

// Reads the demo as ReadDemoSource does and checks that it loads whole (the player's strict walk,
// every type known), without touching the Timeline: throws DemoFileError or DemoTextError, or
// returns a source that LoadDemoBytes takes without a failure.
DemoSource ReadLoadableDemo(const std::string& path, const std::string& name);

// Loads the named demo file into the Timeline as LoadDemoFile does (a missing file leaves it
// empty), in either form. Returns the source's form and tempo (its bytes moved out).
DemoSource LoadDemoSource(const std::string& name);

} // namespace quv
