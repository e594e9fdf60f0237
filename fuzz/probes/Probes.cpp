#include "fuzz/probes/Probes.h"

#include <map>

namespace fuzzprobe {

Probe ProbeNamed(const std::string& name) {
  static const std::map<std::string, Probe> kProbes = {
      {"pack", ProbePackFile},     {"pack_image", ProbePackImage}, {"config", ProbeConfig},
      {"picture", ProbePicture},   {"picture_format", ProbePictureFormat}, {"font", ProbeFont},
      {"device_path", ProbeDevicePath},
  };
  auto found = kProbes.find(name);
  return found != kProbes.end() ? found->second : nullptr;
}

}  // namespace fuzzprobe
