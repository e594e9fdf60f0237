// Probes: each runs one input through one of the program's readers and checks what
// the sanitizers cannot see, the reader's own promises (a decoded picture has the size
// its information gives, a looked-up text is the stored one, a device path stays in
// the handheld's folder). The libFuzzer targets in fuzz/ and the regression tests in
// tests/regressions/ share them, so a finding replays exactly as it was found.
//
// Inputs that lead the program to one of its deliberate endings (an engine ERROR such
// as "Symbol redefinition" or "Incorrect resource pointer") are recognised beforehand
// and not carried that far: the probes look for faults, not for those endings.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace fuzzprobe {

using Input = std::span<const std::uint8_t>;

// Each returns what went wrong, or an empty text when the reader kept its promises.

// A pack file as stored, loaded with the common pack's salt and mask, then with a zero
// mask; every entry is walked by index, name and prefix and its bytes are touched.
std::string ProbePackFile(Input input);
// A pack as it reads once deciphered: sealed with the common pack's secrets first, so
// that every byte lands in the directory and data as written.
std::string ProbePackImage(Input input);
// A configuration file read with ReadConfig, then every text and splash record asked for.
std::string ProbeConfig(Input input);
// A picture file through ReadImageInfo, DecodeImage and the texture preparation.
std::string ProbePicture(Input input);
// The first byte picks a picture format whose signature goes before the rest, so that
// the decoders behind the signatures are reached.
std::string ProbePictureFormat(Input input);
// A deciphered pack (as ProbePackImage) loaded into a font under "/Font"; its glyphs
// are measured and drawn when a device can be made (SDL's offscreen driver).
std::string ProbeFont(Input input);
// UTF-16LE units: a device path, and after a 0 unit a second one (a shortcut's target).
// The path is mapped to a host path and used in every file operation of a session on
// a handheld made in a temporary folder; nothing outside its fs/ may change.
std::string ProbeDevicePath(Input input);

// A picture file as ProbePictureFormat takes it: the number of its signature, then the
// bytes after the signature; empty for a file without a signature of the list.
std::vector<std::uint8_t> PictureFormatInput(Input file);

// The probes by name, as fuzz targets and regression folders are named.
using Probe = std::string (*)(Input);
Probe ProbeNamed(const std::string& name);

}  // namespace fuzzprobe
