// Program entry: the player (launcher and window), the headless renderer and the demo inspector.
//
//   quvplayer [player options]          the launcher, or --play to skip it
//   quvplayer render [options]          headless frames to PNG files
//   quvplayer dump [--json] [--check]   the demo's Timeline as text or JSON
//
// Every mode takes --dir DIR to run as if started in DIR, and --demo FILE and --music FILE to
// use other files than the fixed names.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "effects/moduleinit.h"
#include "engine/message.h"
#include "platform/commands.h"

namespace {

void PrintUsage(std::FILE* out)
{
    std::fputs("Usage: quvplayer [OPTIONS]               play the demo in the current directory\n"
               "       quvplayer render [OPTIONS]        render frames headless\n"
               "       quvplayer dump [OPTIONS]          print the demo's Timeline\n"
               "\n"
               "Run 'quvplayer MODE --help' for a mode's options. Every mode takes --dir DIR,\n"
               "--demo FILE (a compiled demo or quvtool's text form) and --music FILE.\n",
               out);
}

} // namespace

int main(int argc, char** argv)
{
    // Pull --dir out of the arguments first; the files are looked up relative to it.
    std::vector<char*> args(argv, argv + argc);
    for (size_t i = 1; i < args.size(); ++i) {
        if (std::strcmp(args[i], "--dir") == 0) {
            if (i + 1 >= args.size()) {
                quv::PrintMessage("quvplayer", "--dir needs a directory");
                return 2;
            }
            std::error_code ec;
            std::filesystem::current_path(args[i + 1], ec);
            if (ec) {
                quv::PrintMessage("quvplayer",
                                  std::string("cannot enter ") + args[i + 1] + ": " + ec.message());
                return 2;
            }
            args.erase(args.begin() + static_cast<long>(i),
                       args.begin() + static_cast<long>(i) + 2);
            --i;
        }
    }
    quv::InitialiseModules();

    if (args.size() >= 2 && std::strcmp(args[1], "render") == 0)
        return quv::RunRender(static_cast<int>(args.size()) - 1, args.data() + 1);
    if (args.size() >= 2 && std::strcmp(args[1], "dump") == 0)
        return quv::RunDump(static_cast<int>(args.size()) - 1, args.data() + 1);
    if (args.size() >= 2 && std::strcmp(args[1], "help") == 0) {
        PrintUsage(stdout);
        return 0;
    }
    return quv::RunPlayer(static_cast<int>(args.size()), args.data());
}
