// artgen: draws the sample distribution's pictures and the program's icons.
//
//   artgen common FOLDER --font REGULAR.ttf --bold-font BOLD.ttf
//   artgen local FOLDER  --font REGULAR.ttf --bold-font BOLD.ttf
//   artgen splash FILE.png --font REGULAR.ttf --bold-font BOLD.ttf
//   artgen icon FILE.png --size N --font REGULAR.ttf --bold-font BOLD.ttf
#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>
#include <string>

#include "tools/artgen/ArtSets.h"
#include "tools/artgen/PngFile.h"
#include "tools/artgen/Pictures.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: artgen common|local FOLDER --font FILE --bold-font FILE\n"
               "       artgen splash FILE.png --font FILE --bold-font FILE\n"
               "       artgen icon FILE.png --size N --font FILE --bold-font FILE\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  std::string command = argv[1];
  std::string target = argv[2];
  std::map<std::string, std::string> options;
  for (int i = 3; i < argc; i += 2) {
    std::string key = argv[i];
    if (key.rfind("--", 0) != 0 || i + 1 >= argc) return Usage();
    options[key.substr(2)] = argv[i + 1];
  }
  if (!options.count("font") || !options.count("bold-font")) return Usage();
  artgen::FontFiles fonts{options["font"], options["bold-font"]};

  try {
    // A picture file may be the first thing written into its folder.
    if (command == "splash" || command == "icon") {
      std::filesystem::path parent = std::filesystem::path(target).parent_path();
      if (!parent.empty()) std::filesystem::create_directories(parent);
    }
    if (command == "common") {
      artgen::WriteCommonArt(fonts, target);
    } else if (command == "local") {
      artgen::WriteLocalArt(fonts, target);
    } else if (command == "splash") {
      artgen::WritePng(target, artgen::DrawInstallerSplash(fonts));
    } else if (command == "icon") {
      if (!options.count("size")) return Usage();
      artgen::WritePng(target, artgen::DrawIcon(fonts, std::stoi(options["size"])));
    } else {
      return Usage();
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "artgen %s: %s\n", command.c_str(), e.what());
    return 1;
  }
  return 0;
}
