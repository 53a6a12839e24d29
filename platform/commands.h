#pragma once
// The program's modes. Each takes its own arguments (argv[0] is the mode's name) and returns the
// process exit code: 0 success, 1 failure, 2 wrong usage.

namespace quv {

int RunPlayer(int argc, char** argv);
int RunRender(int argc, char** argv);
int RunDump(int argc, char** argv);

} // namespace quv
