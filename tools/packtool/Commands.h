// The pack tool's three commands. Run takes the arguments after the program name and
// returns the exit code: 0 done, 1 a failure (unreadable file, wrong keys, name not
// found), 2 a command line it can't act on.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace packtool {

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace packtool
